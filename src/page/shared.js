// What the page's scripts and its reader's worker share, put before both
// modules (barrage.js and barrage-reader.js) so that each is written once:
// a module's C string read as UTF-8, and a script fetched when first wanted.
"use strict";

// The text a module's pointer points at, up to its 0, as UTF-8.
function barrageText(module, pointer) {
  let end = pointer;
  while (module.HEAPU8[end] !== 0) ++end;
  return new TextDecoder().decode(module.HEAPU8.subarray(pointer, end));
}

// A script of the page's, fetched and run once it is wanted.
function barrageLoadScript(src) {
  return new Promise(function (loaded, failed) {
    const script = document.createElement("script");
    script.src = src;
    script.onload = loaded;
    script.onerror = function () { failed(new Error(src + " could not be loaded")); };
    document.head.appendChild(script);
  });
}
