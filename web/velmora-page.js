// The page around the game: checks for WebGL, shows the download's progress, starts the game
// (velmora.js) and says when the game has ended.
'use strict';

(function () {
  var canvas = document.getElementById('canvas');
  var loading = document.getElementById('loading');
  var progress = document.getElementById('progress');

  function show(id) {
    document.getElementById(id).hidden = false;
  }

  // Tried on a canvas of its own: a context made on the game's canvas would be the one the
  // game gets, without the multisampling it asks for.
  function webGlAvailable() {
    try {
      return !!document.createElement('canvas').getContext('webgl');
    } catch (e) {
      return false;
    }
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
    canvas.hidden = true;
    show('game-ended');
    document.getElementById('play-again').focus();
    // The game's keyboard listener keeps taking every key; from now on they belong to the
    // page again, so that Tab, Enter and the space bar reach the button.
    window.addEventListener('keydown', function (event) { event.stopPropagation(); }, true);
  }

  document.getElementById('play-again').addEventListener('click', function () {
    window.location.reload();
  });

  if (!webGlAvailable()) {
    loading.hidden = true;
    canvas.hidden = true;
    show('no-webgl');
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
    onGameEnded: endGame
  };

  var script = document.createElement('script');
  script.src = 'velmora.js';
  document.body.appendChild(script);
})();
