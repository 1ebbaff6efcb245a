// The service worker: keeps a copy of the whole site, so that the game starts from the home
// screen and with no network. scripts/build-web.sh fills in the build's version and its files.
//
// Each build has a cache of its own, named by its version. It is filled only once every file
// has arrived whole, so an interrupted download leaves no cache rather than half of one, and
// the previous build's cache keeps serving until the new one is complete. Older caches are
// deleted once the new build takes over.
'use strict';

var VERSION = '@VERSION@';
var FILES = ['./', @FILES@];
// Several copies of the site may share a host: each keeps to its own caches.
var PREFIX = 'velmora ' + self.registration.scope + ' ';
var CACHE = PREFIX + VERSION;

function fetchWhole(file) {
  // Past the browser's own cache, which may still hold another build's files.
  return fetch(new Request(file, { cache: 'no-cache' })).then(function (response) {
    if (!response.ok) throw new Error(file + ': ' + response.status);
    return response.arrayBuffer().then(function (body) {
      return new Response(body, { status: response.status, headers: response.headers });
    });
  });
}

function keepEveryFile() {
  return Promise.all(FILES.map(fetchWhole)).then(function (responses) {
    return caches.delete(CACHE).then(function () {
      return caches.open(CACHE);
    }).then(function (cache) {
      return Promise.all(FILES.map(function (file, i) {
        return cache.put(file, responses[i]);
      }));
    }).catch(function (problem) {
      return caches.delete(CACHE).then(function () { throw problem; });
    });
  });
}

function dropOtherBuilds() {
  return caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf(PREFIX) == 0 && name != CACHE;
    }).map(function (name) { return caches.delete(name); }));
  });
}

self.addEventListener('install', function (event) {
  event.waitUntil(keepEveryFile());
});

self.addEventListener('activate', function (event) {
  event.waitUntil(dropOtherBuilds().then(function () { return self.clients.claim(); }));
});

// A page that has finished with its game (its "Play again") lets a waiting new build in.
self.addEventListener('message', function (event) {
  if (event.data == 'take over') self.skipWaiting();
});

self.addEventListener('fetch', function (event) {
  if (event.request.method != 'GET') return;
  event.respondWith(caches.open(CACHE).then(function (cache) {
    return cache.match(event.request, { ignoreSearch: true });
  }).then(function (kept) {
    return kept || fetch(event.request);
  }));
});
