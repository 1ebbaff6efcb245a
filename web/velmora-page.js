// The page around the game: starts the game (velmora.js) at once, shows the download's
// progress, says when the browser has no WebGL or the game has ended, offers full screen, and
// keeps the site for playing offline.
'use strict';

(function () {
  var canvas = document.getElementById('canvas');
  var loading = document.getElementById('loading');
  var progress = document.getElementById('progress');
  var fullscreenButton = document.getElementById('fullscreen-button');
  var root = document.documentElement;
  var stopped = false;

  function show(id) {
    document.getElementById(id).hidden = false;
  }

  // The page's gradients and glows wait for the game's first frame (velmora-page.css).
  function lightUp() {
    root.classList.add('lit');
  }

  function showNoWebGl() {
    if (stopped) return;
    stopped = true;
    loading.hidden = true;
    canvas.hidden = true;
    show('no-webgl');
    lightUp();
  }

  // The file loader reports "Downloading data... (done/total)" while the pictures and music
  // arrive, and an empty text once all is there.
  function setStatus(text) {
    var counts = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text);
    if (counts) {
      progress.max = Number(counts[2]);
      progress.value = Number(counts[1]);
    }
  }

  function endGame() {
    stopped = true;
    canvas.hidden = true;
    show('game-ended');
    document.getElementById('play-again').focus();
    // The game's keyboard listener keeps taking every key; from now on they belong to the
    // page again, so that Tab, Enter and the space bar reach the button.
    window.addEventListener('keydown', function (event) { event.stopPropagation(); }, true);
  }

  // A new build that has arrived meanwhile takes over before the game starts again.
  function playAgain() {
    var reload = function () { window.location.reload(); };
    if (!('serviceWorker' in navigator)) return reload();
    navigator.serviceWorker.getRegistration().then(function (registration) {
      if (!registration || !registration.waiting) return reload();
      navigator.serviceWorker.addEventListener('controllerchange', reload);
      registration.waiting.postMessage('take over');
    }, reload);
  }

  document.getElementById('play-again').addEventListener('click', playAgain);

  // ---- full screen ----

  function fullscreenElement() {
    return document.fullscreenElement || document.webkitFullscreenElement || null;
  }

  function enterFullscreen() {
    var request = root.requestFullscreen || root.webkitRequestFullscreen;
    var entered = request.call(root, { navigationUI: 'hide' });
    // A phone turns the game sideways where it may; elsewhere the request fails, quietly.
    if (entered && entered.then) {
      entered.then(function () {
        if (screen.orientation && screen.orientation.lock) {
          screen.orientation.lock('landscape').catch(function () {});
        }
      }, function () {});
    }
  }

  function leaveFullscreen() {
    (document.exitFullscreen || document.webkitExitFullscreen).call(document);
  }

  if (document.fullscreenEnabled || document.webkitFullscreenEnabled) {
    fullscreenButton.hidden = false;
    fullscreenButton.addEventListener('click', function () {
      if (fullscreenElement()) leaveFullscreen(); else enterFullscreen();
      canvas.focus({ preventScroll: true });
    });
    // The Escape that ends the browser's full screen may reach the game as a press without
    // its release; whatever the game holds is let go.
    ['fullscreenchange', 'webkitfullscreenchange'].forEach(function (type) {
      document.addEventListener(type, function () {
        root.classList.toggle('fullscreen', !!fullscreenElement());
        if (!fullscreenElement() && window.velmoraTouch) window.velmoraTouch.releaseAll(true);
      });
    });
  }

  // ---- the controls shown ----

  // The help names a controller's buttons once one is used, and the keys or the touch pads
  // again once they are.
  function showPadHelp() {
    root.classList.add('pad');
  }

  ['keydown', 'pointerdown', 'touchstart'].forEach(function (type) {
    window.addEventListener(type, function () { root.classList.remove('pad'); },
                            { capture: true, passive: true });
  });

  // ---- offline ----

  // The service worker keeps a copy of the whole site, so the game starts from the home screen
  // and without a network. It is registered once the game shows its first frame, so that its
  // own downloads do not compete with the game's.
  function keepSiteOffline() {
    if (!('serviceWorker' in navigator)) return;
    navigator.serviceWorker.register('velmora-sw.js').catch(function (problem) {
      console.warn('Velmora stays online only: ' + problem);
    });
  }

  // ---- the game ----

  // The game's WebGL context is made here, first thing, while its files download (the page's
  // head asked for them): the game, asking for a WebGL context on the same canvas, is given
  // this one, and a browser without WebGL is told so before anything else is loaded. The sound
  // waits: the game opens it once its first frame is shown.
  // The attributes are the ones emscripten's SDL asks for with the shipped web/settings.ini (no
  // multisampling); a context's attributes are fixed when it is made.
  var contextAttributes = { alpha: false, depth: true, stencil: false, antialias: false };

  function makeGameContext() {
    try {
      return !!canvas.getContext('webgl', contextAttributes);
    } catch (e) {
      return false;
    }
  }

  if (typeof WebGLRenderingContext == 'undefined' || !makeGameContext()) {
    showNoWebGl();
    return;
  }
  canvas.addEventListener('contextmenu', function (event) { event.preventDefault(); });

  window.Module = {
    canvas: canvas,
    // The game prints nothing; what its libraries print stays out of the page's console.
    print: function () {},
    printErr: function (text) { console.warn(text); },
    setStatus: setStatus,
    onRuntimeInitialized: function () {
      loading.hidden = true;
      canvas.focus({ preventScroll: true });
    },
    onFirstFrame: function () {
      lightUp();
      keepSiteOffline();
    },
    onGameEnded: endGame,
    onPadTouched: showPadHelp
  };

  var script = document.createElement('script');
  script.src = 'velmora.js';
  document.body.appendChild(script);
})();
