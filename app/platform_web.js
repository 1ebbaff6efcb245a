// The browser side of the platform seam, in JavaScript: where the high score outlives the page,
// music that the browser cannot decode, and pictures that the browser decodes for the game.
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

// The pictures are decoded by the browser as the game's files are unpacked, on threads of its
// own: compiled into the game, the decoder runs on the page's thread in the browser's first,
// unoptimised tier, for a tenth of a second or more. Only 8-bit RGB and RGBA files are taken,
// whose pixels the browser hands over exactly as stored when asked not to convert colours or
// premultiply alpha. Any other file, a browser without ImageDecoder, or a file it fails on, is
// left to the decoder compiled into the game, which has the last word on what loads
// (platform_web.cpp). Every file is unpacked as it is, decoded or not.
var velmoraDecodedPictures = {};
var velmoraLargestDecodedPixels = 1 << 24;
var velmoraDecodingGivesUpMs = 3000;

function velmoraPlainPicture(bytes) {
    var signature = [0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 0x49, 0x48,
                     0x44, 0x52];
    if (bytes.length < 33) return false;
    for (var i = 0; i < signature.length; ++i)
        if (bytes[i] != signature[i]) return false;
    var depth = bytes[24], colourType = bytes[25];
    return depth == 8 && (colourType == 2 || colourType == 6);
}

function velmoraPixelsOf(frame, width, height) {
    var format = frame.format;
    if (['RGBA', 'RGBX', 'BGRA', 'BGRX'].indexOf(format) < 0) return Promise.reject(format);
    var pixels = new Uint8Array(width * height * 4);
    return frame.copyTo(pixels, { layout: [{ offset: 0, stride: width * 4 }] }).then(function () {
        var blueFirst = format[0] == 'B', opaque = format[3] == 'X';
        if (blueFirst || opaque) {
            for (var i = 0; i < pixels.length; i += 4) {
                if (blueFirst) {
                    var blue = pixels[i];
                    pixels[i] = pixels[i + 2];
                    pixels[i + 2] = blue;
                }
                if (opaque) pixels[i + 3] = 255;
            }
        }
        return pixels;
    });
}

function velmoraDecodePicture(bytes, path) {
    if (!velmoraPlainPicture(bytes)) return Promise.resolve();
    var view = new DataView(bytes.buffer, bytes.byteOffset);
    var width = view.getUint32(16), height = view.getUint32(20);
    if (width * height > velmoraLargestDecodedPixels) return Promise.resolve();
    var decoder = new ImageDecoder({ data: bytes, type: 'image/png', premultiplyAlpha: 'none',
                                     colorSpaceConversion: 'none' });
    return decoder.decode().then(function (result) {
        var frame = result.image;
        var sized = frame.codedWidth == width && frame.codedHeight == height;
        var pixels = sized ? velmoraPixelsOf(frame, width, height) : Promise.resolve(null);
        return pixels.finally(function () { frame.close(); });
    }).then(function (pixels) {
        if (pixels) velmoraDecodedPictures[path] = { width: width, height: height, pixels: pixels };
    }).finally(function () { decoder.close(); });
}

var velmoraPictureDecoding = {
    'canHandle': function (path) {
        return typeof ImageDecoder == 'function' && /\.png$/i.test(path);
    },
    'handle': function (bytes, path, unpack) {
        // A decode that never ends must not keep the game from starting.
        var givenUp = new Promise(function (resolve) {
            setTimeout(resolve, velmoraDecodingGivesUpMs);
        });
        var decoded = velmoraDecodePicture(bytes, path).catch(function () {});
        Promise.race([decoded, givenUp]).then(function () { unpack(bytes); });
    }
};

// Looked up by absolute path, and taken once: a file decoded again later goes to the game's own
// decoder.
function velmoraDecodedPicture(path) {
    try {
        return velmoraDecodedPictures[FS.lookupPath(path).path] || null;
    } catch (e) {
        return null;
    }
}

function velmoraTakeDecodedPicture(path) {
    var picture = velmoraDecodedPicture(path);
    delete velmoraDecodedPictures[FS.lookupPath(path).path];
    return picture;
}

Module['preRun'] = [].concat(Module['preRun'] || [], velmoraRestoreScoreFile,
                             velmoraQuietUndecodableMusic);
Module['preloadPlugins'] = [velmoraPictureDecoding];
// Nor does the browser's SDL keep pictures of its own in canvases.
Module['noImageDecoding'] = true;
// The music is read from the file system when the game asks for it; nothing to decode early.
Module['noAudioDecoding'] = true;
