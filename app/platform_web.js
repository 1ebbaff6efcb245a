// The browser side of the platform seam, in JavaScript: one record, Module.velmora, with what
// the game's page keeps and the operations that platform_web.cpp calls. The page
// (web/velmora-page.js, velmora-touch.js), the browser tests and the benchmarks read the same
// record, and bench/web_floor.html keeps its frame fields the same way.
//
// The game reads and writes "velmora.score" in its working directory, "/", beside the Media
// folder and settings.ini that come with the site. Only the score is kept: a copy lives in
// "/velmora", a folder stored in the browser's IndexedDB (database "/velmora"). It is copied
// back while the game starts (scoreRestored says when: platform_web.cpp holds the game's input
// and frames after the first until then) and replaced after every save, the same way the game
// replaces its own file: written beside it, renamed over it, and then stored in one IndexedDB
// transaction, so a tab closed at any moment leaves the score that was kept before or the new
// one, never a torn file.

var velmora = Module['velmora'] = {
    framesShown: 0,
    // When the first frame was shown, on performance.now()'s scale; null until it has been.
    // Whatever asks whether the game is on screen yet reads this.
    firstFrameAt: null,
    scoreRestored: false,
    // The kept folder, also the name of its IndexedDB database, and the file restored from it.
    savedFolder: '/velmora',
    scoreName: 'velmora.score',
    // One store at a time: a save made while another is being stored is stored after it.
    storing: false,
    storeAgain: false,

    // The page hears of the first frame after it: what it does then (lighting up, keeping the
    // site for offline play) waits until the game is on screen.
    framePresented: function () {
        if (velmora.firstFrameAt === null) {
            velmora.firstFrameAt = performance.now();
            if (Module['onFirstFrame']) setTimeout(Module['onFirstFrame'], 0);
        }
        velmora.framesShown++;
    },

    gameEnded: function () {
        if (Module['onGameEnded']) Module['onGameEnded']();
    },

    // A pad's first button or tilt after none: Chromium counts a button press as the gesture
    // that lets sound play (other browsers may not, and then the sound waits for a key, a
    // click or a tap), and the page shows the pad's controls.
    padTouched: function () {
        var context = typeof SDL != 'undefined' && SDL.audioContext;
        if (context && context.state == 'suspended') context.resume().catch(function () {});
        if (Module['onPadTouched']) Module['onPadTouched']();
    },

    showCursor: function (shown) {
        Module['canvas'].style.cursor = shown ? 'default' : 'none';
    },

    // A picture that failed to load leaves its texture name 0. Desktop OpenGL's texture 0 has
    // no image, so texturing with it is as if off and the quads show their plain white; WebGL
    // samples an unbound texture as opaque black, and the pillars would vanish into the night.
    // Name 0 is given a white texel once start-up has made every texture.
    whitenTextureZero: function () {
        var gl = GLctx;
        var bound = gl.getParameter(gl.TEXTURE_BINDING_2D);
        var white = gl.createTexture();
        gl.bindTexture(gl.TEXTURE_2D, white);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 1, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE,
                      new Uint8Array([255, 255, 255, 255]));
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
        GL.textures[0] = white;
        gl.bindTexture(gl.TEXTURE_2D, bound || white);
    },

    // Without IndexedDB the folder stays empty and the game starts all the same, with no high
    // score kept.
    restoreScore: function () {
        FS.mkdir(velmora.savedFolder);
        FS.mount(IDBFS, {}, velmora.savedFolder);
        FS.syncfs(true, function () {
            try {
                FS.writeFile('/' + velmora.scoreName,
                             FS.readFile(velmora.savedFolder + '/' + velmora.scoreName));
            } catch (e) {
                // Nothing saved yet.
            }
            velmora.scoreRestored = true;
        });
    },

    // The game's replaceFileWhole, where every write is to the page's memory: the file, then its
    // copy in the kept folder, which is then stored.
    replaceFileWhole: function (path, text) {
        if (!velmora.writeWhole(path, text)) return false;
        var name = path.split('/').pop();
        if (velmora.writeWhole(velmora.savedFolder + '/' + name, text)) velmora.storeSavedFolder();
        return true;
    },

    writeWhole: function (path, text) {
        var temporary = path + '.tmp';
        try {
            FS.writeFile(temporary, text);
            FS.rename(temporary, path);
            return true;
        } catch (e) {
            try {
                FS.unlink(temporary);
            } catch (e) {
                // Never written.
            }
            return false;
        }
    },

    storeSavedFolder: function () {
        if (velmora.storing) {
            velmora.storeAgain = true;
            return;
        }
        velmora.storing = true;
        FS.syncfs(false, function () {
            velmora.storing = false;
            if (velmora.storeAgain) {
                velmora.storeAgain = false;
                velmora.storeSavedFolder();
            }
        });
    },

    // The mixer decodes the music without an error callback, so a file the browser cannot
    // decode would reject a promise that nobody handles. Such a file means silence. The audio
    // context is the mixer's own, made when the game opens its sound once the first frame is
    // shown (making one takes a browser a noticeable while).
    quietUndecodableMusic: function () {
        var open = SDL.openAudioContext;
        SDL.openAudioContext = function () {
            var made = !SDL.audioContext;
            open();
            var context = SDL.audioContext;
            if (!made || !context) return;
            var decode = context.decodeAudioData;
            context.decodeAudioData = function (data, decoded) {
                var pending = decode.call(context, data, decoded, function () {});
                if (pending && pending.catch) pending.catch(function () {});
                return pending;
            };
        };
    }
};

Module['preRun'] = [].concat(Module['preRun'] || [], velmora.restoreScore,
                             velmora.quietUndecodableMusic);
// The music arrives as a preloaded file once the first frame is shown, and the game reads it
// from the file system when it opens the sound: the browser's own audio plugin must not decode
// it on arrival.
Module['noAudioDecoding'] = true;
