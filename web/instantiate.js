// Compiles and instantiates the program's WebAssembly, carried in this
// very script (SINGLE_FILE) as a data: URL, while the script runs, so that
// main(), and the first frame with it, runs there too, as a page's own
// script would. emscripten's asynchronous path first fetches that data: URL
// and then waits some tasks for the compiled module, which costs most when
// the browser is busy, as it is with the page it leaves (docs/performance.md).
// Browsers that compile no more than 4 KB on the main thread (Chromium did
// until it allowed 8 MB) throw a RangeError, and take the asynchronous path.
// An emscripten that embeds the WebAssembly otherwise (6.0 has no base64
// data: URL for it) keeps its own path.
var millScript = document.currentScript;
var millEmbedded = millScript &&
    /data:application\/octet-stream;base64,([A-Za-z0-9+/=]+)/.exec(millScript.text);
if (millEmbedded) Module['instantiateWasm'] = function(imports, receive) {
  var binary;
  try {
    if (Uint8Array['fromBase64']) {
      binary = Uint8Array['fromBase64'](millEmbedded[1]);
    } else {
      var bytes = atob(millEmbedded[1]);
      binary = new Uint8Array(bytes.length);
      for (var i = 0; i < bytes.length; i++) binary[i] = bytes.charCodeAt(i);
    }
    var module = new WebAssembly.Module(binary);
    var instance = new WebAssembly.Instance(module, imports);
  } catch (error) {
    if (!binary || !(error instanceof RangeError)) {
      Module['onAbort'](error);
      throw error;
    }
    WebAssembly.instantiate(binary, imports).then(function(result) {
      receive(result.instance, result.module);
    }, function(reason) { Module['onAbort'](reason); });
    return {};
  }
  receive(instance, module);
  return instance.exports;
};
