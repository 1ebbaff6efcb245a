// The browser side of the platform seam, in JavaScript: where the high score outlives the page,
// and music that the browser cannot decode.
//
// The game reads and writes "velmora.score" in its working directory, "/", beside the Media
// folder and settings.ini that come with the site. Only the score is kept: a copy lives in
// "/velmora", a folder stored in the browser's IndexedDB (database "/velmora"). It is copied
// back while the game starts (Module.velmoraScoreRestored says when: platform_web.cpp holds
// the game's input and frames after the first until then) and replaced after every save, the
// same way the game replaces its own file: written beside it, renamed over it, and then stored
// in one IndexedDB transaction, so a tab closed at any moment leaves the score that was kept
// before or the new one, never a torn file.

var velmoraSavedFolder = '/velmora';
var velmoraScoreName = 'velmora.score';
var velmoraStoring = false;
var velmoraStoreAgain = false;

function velmoraRestoreScoreFile() {
    try {
        FS.mkdir(velmoraSavedFolder);
        FS.mount(IDBFS, {}, velmoraSavedFolder);
    } catch (e) {
        Module['velmoraScoreRestored'] = true;
        return;
    }
    // Without IndexedDB the game starts all the same, with no high score kept.
    FS.syncfs(true, function () {
        try {
            FS.writeFile('/' + velmoraScoreName,
                         FS.readFile(velmoraSavedFolder + '/' + velmoraScoreName));
        } catch (e) {
            // Nothing saved yet.
        }
        Module['velmoraScoreRestored'] = true;
    });
}

// One store at a time: a save made while another is being stored is stored after it.
function velmoraStoreSavedFolder() {
    if (velmoraStoring) {
        velmoraStoreAgain = true;
        return;
    }
    velmoraStoring = true;
    FS.syncfs(false, function () {
        velmoraStoring = false;
        if (velmoraStoreAgain) {
            velmoraStoreAgain = false;
            velmoraStoreSavedFolder();
        }
    });
}

function velmoraKeepScoreFile() {
    var kept = velmoraSavedFolder + '/' + velmoraScoreName;
    try {
        FS.writeFile(kept + '.tmp', FS.readFile('/' + velmoraScoreName));
        FS.rename(kept + '.tmp', kept);
    } catch (e) {
        return;
    }
    velmoraStoreSavedFolder();
}

// The mixer decodes the music without an error callback, so a file the browser cannot decode
// would reject a promise that nobody handles. Such a file means silence, as on the desktop.
// The audio context is the mixer's own, made when the game opens its sound once the first
// frame is shown (making one takes a browser a fifth of a second or more).
function velmoraQuietUndecodableMusic() {
    if (typeof SDL == 'undefined' || !SDL.openAudioContext) return;
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

Module['preRun'] = [].concat(Module['preRun'] || [], velmoraRestoreScoreFile,
                             velmoraQuietUndecodableMusic);
// The music is read from the file system when the game asks for it; nothing to decode early.
Module['noAudioDecoding'] = true;
