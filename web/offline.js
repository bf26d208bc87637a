// Offline at the party: once the show has loaded, a service worker keeps the page, the program
// and the soundtrack, so a second visit plays with no network at all (web/sw.js, written by
// the build with its version). The single-file page and a page opened from disk need none.
'use strict';

function keepForOffline() {
  if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol)) return;
  if (document.getElementById('program-data')) return;
  navigator.serviceWorker.register('sw.js').catch((error) => {
    console.log('The page cannot be kept for offline use: ' + error.message);
  });
}
