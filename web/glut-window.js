// GLUT's window in the page: the canvas. Replaces the stock glutCreateWindow
// so that the window
// - takes the caption as the page's title;
// - keeps a single-buffered picture once it is shown (preserveDrawingBuffer),
//   so that reading the canvas back, as "Save image as" does, gives it;
// - draws in as many pixels as the screen shows it in: the window size is
//   the canvas's size in CSS pixels, its drawing buffer that size times the
//   device pixel ratio, followed through zooms, moves to another screen and
//   phones turned, each change going through the reshape callback and a
//   redraw;
// - when WebGL cannot be had, ends the program quietly and lets the page say
//   so (onAbort), where the stock one let it go on and throw in its first GL
//   call.
// No signature is declared: emscripten already has one for this function,
// and it differs between releases.
mergeInto(LibraryManager.library, {
  glutCreateWindow__deps: ['$Browser', '$GLUT', 'glutReshapeWindow'],
  glutCreateWindow: function(caption) {
    var end = HEAPU8.indexOf(0, caption);
    document.title = new TextDecoder().decode(HEAPU8.subarray(caption, end));
    var canvas = Module['canvas'];
    var mode = GLUT.initDisplayMode;
    // Module['ctx'], quoted, keeps its name through the closure compiler, for
    // whoever reads the context from outside the program (the tests do).
    Module['ctx'] = typeof WebGLRenderingContext != 'undefined' &&
        Browser.createContext(canvas, true, true, {
          antialias: (mode & 0x0080 /* GLUT_MULTISAMPLE */) != 0,
          depth: (mode & 0x0010 /* GLUT_DEPTH */) != 0,
          stencil: (mode & 0x0020 /* GLUT_STENCIL */) != 0,
          alpha: (mode & 0x0008 /* GLUT_ALPHA */) != 0,
          // One colour buffer: the picture stays until the next redraw.
          preserveDrawingBuffer: (mode & 0x0002 /* GLUT_DOUBLE */) == 0,
        });
    if (!Module['ctx']) {
      if (Module['onAbort']) Module['onAbort']('no WebGL');
      throw 'unwind';
    }

    // The drawing buffer follows the canvas as shown. The first size is set
    // before the main loop starts, which reshapes to it; later ones reshape
    // and redraw, unless the context is lost (the page then says so).
    function fit(reshape) {
      var shown = canvas.getBoundingClientRect();
      var width = Math.round(shown.width * devicePixelRatio);
      var height = Math.round(shown.height * devicePixelRatio);
      if (width != canvas.width || height != canvas.height) reshape(width, height);
    }
    fit(function(width, height) { Browser.setCanvasSize(width, height, true); });
    function refit() {
      if (!Module['ctx'].isContextLost()) fit(_glutReshapeWindow);
    }
    new ResizeObserver(refit).observe(canvas);
    // A zoom or another screen changes the ratio, not always the CSS size.
    (function watchRatio() {
      window.matchMedia('(resolution: ' + devicePixelRatio + 'dppx)').addEventListener('change',
          function() { refit(); watchRatio(); }, { once: true });
    })();
    return 1;
  },

  // The first frame is drawn at once, as the program starts, where the stock
  // loop leaves it to the next animation frame.
  glutMainLoop__deps: ['$GLUT', '$Browser'],
  glutMainLoop: function() {
    var canvas = Module['canvas'];
    Browser.setCanvasSize(canvas.width, canvas.height, true);
    if (GLUT.reshapeFunc) {{{ makeDynCall('vii', 'GLUT.reshapeFunc') }}}(canvas.width, canvas.height);
    if (GLUT.displayFunc) {{{ makeDynCall('v', 'GLUT.displayFunc') }}}();
    throw 'unwind';
  },
});
