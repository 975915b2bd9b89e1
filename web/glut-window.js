// GLUT's window in the page: the canvas. Replaces the stock glutCreateWindow,
// which drops the caption and lets the browser clear a single-buffered
// window's picture once it is shown, so that reading the canvas back, as
// "Save image as" does, gave black.
mergeInto(LibraryManager.library, {
  glutCreateWindow__deps: ['$Browser', '$GLUT'],
  glutCreateWindow__sig: 'ii',
  glutCreateWindow: function(caption) {
    document.title = UTF8ToString(caption);
    var mode = GLUT.initDisplayMode;
    Module.ctx = Browser.createContext(Module['canvas'], true, true, {
      antialias: (mode & 0x0080 /* GLUT_MULTISAMPLE */) != 0,
      depth: (mode & 0x0010 /* GLUT_DEPTH */) != 0,
      stencil: (mode & 0x0020 /* GLUT_STENCIL */) != 0,
      alpha: (mode & 0x0008 /* GLUT_ALPHA */) != 0,
      // One colour buffer: the picture stays until the next redraw.
      preserveDrawingBuffer: (mode & 0x0002 /* GLUT_DOUBLE */) == 0,
    });
    return Module.ctx ? 1 : 0;
  },
});
