// Touch controls. The game knows a mouse and a keyboard, so fingers are turned into the events
// it already understands: a finger on the game is the left button at its point, and steers as
// the Left or Right key while it is held on that half; the pads under the game steer as well;
// the pause button is Escape.
//
// The game reads its input once a frame, and a press that comes and goes between two frames is
// never seen. So every press made here is let go only once the game has shown a frame after it:
// a quick tap still clicks.
'use strict';

(function () {
  var canvas = document.getElementById('canvas');

  // Key codes as the browser reports them; the game's keyboard handler reads these.
  var keyCodes = { ArrowLeft: 37, ArrowRight: 39, Escape: 27 };

  // The game's record (app/platform_web.js), there once the game's script runs.
  function game() {
    return (window.Module && window.Module.velmora) || { framesShown: 0, firstFrameAt: null };
  }

  function framesShown() {
    return game().framesShown;
  }

  function gameRunning() {
    return game().firstFrameAt !== null && !canvas.hidden;
  }

  function sendKey(type, key) {
    var event = new KeyboardEvent(type, { key: key, code: key, bubbles: true, cancelable: true });
    Object.defineProperty(event, 'keyCode', { value: keyCodes[key] });
    Object.defineProperty(event, 'which', { value: keyCodes[key] });
    document.dispatchEvent(event);
  }

  function sendMouse(type, point) {
    canvas.dispatchEvent(new MouseEvent(type, {
      clientX: point.x, clientY: point.y, button: 0, buttons: type == 'mousedown' ? 1 : 0,
      bubbles: type != 'mouseleave', cancelable: true, view: window
    }));
  }

  // ---- holds: an input of the game held by any number of fingers ----

  var releasing = [];

  function makeHold(press, release) {
    return { fingers: 0, pressedAtFrame: 0, letGo: false, press: press, release: release };
  }

  function holdDown(hold) {
    hold.fingers += 1;
    if (hold.fingers > 1) return;
    if (hold.letGo) {  // lifted and touched again before the game saw a frame: still down
      hold.letGo = false;
      return;
    }
    hold.press();
    hold.pressedAtFrame = framesShown();
  }

  function letGoWhenSeen() {
    releasing = releasing.filter(function (hold) {
      if (!hold.letGo) return false;
      if (framesShown() <= hold.pressedAtFrame && gameRunning()) return true;
      hold.letGo = false;
      hold.release();
      return false;
    });
    if (releasing.length) requestAnimationFrame(letGoWhenSeen);
  }

  function holdUp(hold) {
    if (hold.fingers == 0) return;
    hold.fingers -= 1;
    if (hold.fingers > 0) return;
    hold.letGo = true;
    if (releasing.push(hold) == 1) requestAnimationFrame(letGoWhenSeen);
  }

  // ---- the game's inputs ----

  var pointer = { x: 0, y: 0 };
  var button = makeHold(function () {
    sendMouse('mousemove', pointer);
    sendMouse('mousedown', pointer);
  }, function () {
    sendMouse('mouseup', pointer);
    // No mouse is left resting on the game: its own pointer is not drawn.
    sendMouse('mouseleave', pointer);
  });
  var steering = {
    left: makeHold(function () { sendKey('keydown', 'ArrowLeft'); },
                   function () { sendKey('keyup', 'ArrowLeft'); }),
    right: makeHold(function () { sendKey('keydown', 'ArrowRight'); },
                    function () { sendKey('keyup', 'ArrowRight'); })
  };
  var escape = makeHold(function () { sendKey('keydown', 'Escape'); },
                        function () { sendKey('keyup', 'Escape'); });

  // ---- fingers ----

  // By touch identifier: { side: 'left' | 'right' | null, clicks: whether it holds the button }
  var fingers = {};

  function sideOf(touch) {
    var box = canvas.getBoundingClientRect();
    return touch.clientX < box.left + box.width / 2 ? 'left' : 'right';
  }

  function steer(finger, side) {
    if (finger.side == side) return;
    if (finger.side) holdUp(steering[finger.side]);
    finger.side = side;
    if (side) holdDown(steering[side]);
  }

  function lift(id) {
    var finger = fingers[id];
    if (!finger) return;
    steer(finger, null);
    if (finger.clicks) holdUp(button);
    delete fingers[id];
  }

  // The first touch is also the gesture that lets the page play sound.
  function wakeSound() {
    var context = window.SDL && window.SDL.audioContext;
    if (context && context.state == 'suspended') context.resume().catch(function () {});
  }

  function claim(event) {
    event.preventDefault();
    event.stopImmediatePropagation();
  }

  function eachChanged(event, act) {
    for (var i = 0; i < event.changedTouches.length; i++) act(event.changedTouches[i]);
  }

  // On the game: the first finger down clicks where it is, every finger steers by its half.
  // Registered before the game's own touch handling, which this replaces.
  function gameTouch(event) {
    claim(event);
    if (!gameRunning()) return;
    eachChanged(event, function (touch) {
      var id = touch.identifier;
      if (event.type == 'touchstart') {
        lift(id);
        var clicks = button.fingers == 0;
        fingers[id] = { side: null, clicks: clicks };
        if (clicks) {
          pointer = { x: touch.clientX, y: touch.clientY };
          if (button.letGo) sendMouse('mousemove', pointer);
          holdDown(button);
        }
        steer(fingers[id], sideOf(touch));
      } else if (event.type == 'touchmove' && fingers[id]) {
        steer(fingers[id], sideOf(touch));
        if (fingers[id].clicks) {
          pointer = { x: touch.clientX, y: touch.clientY };
          if (!button.letGo) sendMouse('mousemove', pointer);
        }
      } else {
        lift(id);
      }
    });
    if (event.type == 'touchend') wakeSound();
  }

  // A pad steers to its side for as long as any finger rests on it.
  function padTouch(event) {
    claim(event);
    if (!gameRunning()) return;
    var side = event.currentTarget.getAttribute('data-side');
    eachChanged(event, function (touch) {
      var id = 'pad ' + touch.identifier;
      if (event.type == 'touchstart') {
        lift(id);
        fingers[id] = { side: null, clicks: false };
        steer(fingers[id], side);
      } else if (event.type != 'touchmove') {
        lift(id);
      }
    });
    event.currentTarget.classList.toggle('held', Object.keys(fingers).some(function (id) {
      return id.indexOf('pad ') == 0 && fingers[id].side == side;
    }));
    if (event.type == 'touchend') wakeSound();
  }

  // The pause button: Escape, by touch or by mouse.
  function pauseTouch(event) {
    claim(event);
    if (!gameRunning()) return;
    if (event.type == 'touchstart') holdDown(escape); else holdUp(escape);
    if (event.type == 'touchend') wakeSound();
  }

  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function (type) {
    canvas.addEventListener(type, gameTouch, { capture: true, passive: false });
    document.querySelectorAll('.pad').forEach(function (pad) {
      pad.addEventListener(type, padTouch, { passive: false });
    });
  });
  var pauseButton = document.getElementById('pause-button');
  ['touchstart', 'touchend', 'touchcancel'].forEach(function (type) {
    pauseButton.addEventListener(type, pauseTouch, { passive: false });
  });
  pauseButton.addEventListener('click', function () {
    if (!gameRunning()) return;
    holdDown(escape);
    holdUp(escape);
    canvas.focus({ preventScroll: true });
  });

  // Nothing may stay held when the fingers' ends are not seen: the page hidden, or the
  // browser's full screen left with Escape.
  function releaseAll(withEscape) {
    Object.keys(fingers).forEach(lift);
    if (withEscape && escape.fingers == 0 && !escape.letGo) sendKey('keyup', 'Escape');
  }
  document.addEventListener('visibilitychange', function () { releaseAll(false); });
  window.addEventListener('blur', function () { releaseAll(false); });

  // Two fingers anywhere on the page do not zoom it (the style sheet stops the rest).
  document.addEventListener('touchmove', function (event) {
    if (event.touches.length > 1) event.preventDefault();
  }, { passive: false });

  window.velmoraTouch = { releaseAll: releaseAll };
})();
