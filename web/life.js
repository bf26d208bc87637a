// The phone's life around the show: the screen is kept awake while the show plays (a phone
// dims after half a minute without a touch, and the intro has none), taken again when the
// page is seen again after a lock or a switch (the browser lets it go then), and let go when
// the show ends.
'use strict';

const wakeLock = { wanted: false, sentinel: null, requests: 0 };

async function takeWakeLock() {
  if (!navigator.wakeLock || wakeLock.sentinel || document.visibilityState !== 'visible') return;
  wakeLock.requests += 1;
  try {
    const sentinel = await navigator.wakeLock.request('screen');
    if (!wakeLock.wanted) {
      sentinel.release().catch(() => {});
      return;
    }
    wakeLock.sentinel = sentinel;
    sentinel.addEventListener('release', () => {
      if (wakeLock.sentinel === sentinel) wakeLock.sentinel = null;
    });
  } catch {
    // Refused (battery saver, a browser's policy): the show plays on and the screen may dim.
  }
}

function keepScreenAwake(wanted) {
  wakeLock.wanted = wanted;
  if (wanted) {
    takeWakeLock();
  } else if (wakeLock.sentinel) {
    const sentinel = wakeLock.sentinel;
    wakeLock.sentinel = null;
    sentinel.release().catch(() => {});
  }
}

document.addEventListener('visibilitychange', () => {
  if (document.visibilityState === 'visible' && wakeLock.wanted) takeWakeLock();
});
