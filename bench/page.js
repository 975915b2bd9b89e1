// How soon the web page shows the mill, against a page that draws one WebGL
// triangle: each opened from file:// in one headless Chromium with software
// WebGL (SwiftShader), in one tab, in turn, LOADS times each. A page has
// painted two animation frames after its first draw call; the first round
// is cold and left out. Prints each page's size, what it asks of WebGL
// before its first draw, and the medians. Given more than one page (the
// page before and after a change, say), it measures them in the same run.
//   node bench/page.js [--loads=LOADS] PAGE...
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const options = process.argv.slice(2);
const loads = Number(options.find((word) => word.startsWith('--loads='))?.slice(8) ?? 20);
const pages = options.filter((word) => !word.startsWith('--'));
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'mill-page-bench-'));
const triangle = path.join(folder, 'triangle.html');
fs.writeFileSync(triangle, `<!doctype html><meta charset="utf-8"><title>Triangle</title>
<style>canvas { width: 500px; height: 500px; }</style>
<canvas width="500" height="500"></canvas><script>
const gl = document.querySelector('canvas').getContext('webgl', { preserveDrawingBuffer: true });
const shader = (type, source) => {
  const made = gl.createShader(type);
  gl.shaderSource(made, source);
  gl.compileShader(made);
  return made;
};
const program = gl.createProgram();
gl.attachShader(program, shader(gl.VERTEX_SHADER,
  'attribute vec2 p; void main() { gl_Position = vec4(p, 0.0, 1.0); }'));
gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
  'precision mediump float; void main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }'));
gl.linkProgram(program);
gl.useProgram(program);
gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-0.5, -0.5, 0.5, -0.5, 0, 0.5]), gl.STATIC_DRAW);
gl.enableVertexAttribArray(0);
gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
gl.clearColor(1, 1, 1, 1);
gl.clear(gl.COLOR_BUFFER_BIT);
gl.drawArrays(gl.TRIANGLES, 0, 3);
</script>`);

// Run in every page before its own scripts: notes when the WebGL context
// is made, what is asked of it and uploaded to it until the first draw
// call, and when the first frame after that has painted.
const watch = `(() => {
  const seen = window.seen = { extensions: [], uploaded: 0 };
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (...args) {
    seen.context ??= performance.now();
    return getContext.apply(this, args);
  };
  const size = (data) => (typeof data === 'number' ? data : data?.byteLength ?? 0);
  const before = (proto, name, note) => {
    const call = proto[name];
    proto[name] = function (...args) {
      if (seen.drawn === undefined) note(...args);
      return call.apply(this, args);
    };
  };
  for (const proto of [WebGLRenderingContext.prototype]) {
    before(proto, 'getExtension', (name) => seen.extensions.push(name));
    before(proto, 'bufferData', (target, data) => { seen.uploaded += size(data); });
    before(proto, 'bufferSubData', (target, offset, data) => { seen.uploaded += size(data); });
    for (const draw of ['drawArrays', 'drawElements']) {
      before(proto, draw, () => {
        seen.drawn = performance.now();
        requestAnimationFrame(() => requestAnimationFrame(() => {
          seen.painted = performance.now();
        }));
      });
    }
  }
})();`;

const chromium = spawn('chromium', ['--headless', '--remote-debugging-pipe',
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  `--user-data-dir=${path.join(folder, 'profile')}`,
  ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
{ stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const finish = (code) => {
  chromium.on('exit', () => {
    fs.rmSync(folder, { recursive: true, force: true, maxRetries: 10 });
    process.exit(code);
  });
  chromium.kill();
};

let received = '';
const waiting = [];
chromium.stdio[4].on('data', (chunk) => {
  const messages = (received += chunk).split('\0');
  received = messages.pop();
  messages.map((text) => JSON.parse(text))
    .filter((message) => message.id !== undefined).forEach((message) => waiting[message.id](message));
});
const send = (method, params, sessionId) => new Promise((resolve) => {
  const id = waiting.push((reply) => resolve(reply.result)) - 1;
  chromium.stdio[3].write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
});

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const ms = (value) => `${value.toFixed(0)} ms`;

(async () => {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const evaluate = async (expression) => (await send('Runtime.evaluate',
    { expression, returnByValue: true }, sessionId))?.result?.value;
  await send('Page.enable', {}, sessionId);
  await send('Page.addScriptToEvaluateOnNewDocument', { source: watch }, sessionId);
  await send('Emulation.setDeviceMetricsOverride',
    { width: 500, height: 500, deviceScaleFactor: 1, mobile: false }, sessionId);
  const open = async (file) => {
    await send('Page.navigate', { url: `file://${path.resolve(file)}` }, sessionId);
    const end = Date.now() + 30000;
    for (;;) {
      const seen = await evaluate('window.seen?.painted && window.seen');
      if (seen) return seen;
      if (Date.now() > end) throw new Error(`${file} did not paint in 30 s`);
      await new Promise((go) => setTimeout(go, 5));
    }
  };
  const runs = new Map([...pages, triangle].map((file) => [file, []]));
  for (let round = 0; round <= loads; round += 1) {
    for (const [file, seen] of runs) {
      const one = await open(file);
      if (round > 0) seen.push(one);
    }
  }
  const paint = (file) => median(runs.get(file).map((seen) => seen.painted));
  const draw = (file) => median(runs.get(file).map((seen) => seen.drawn - seen.context));
  console.log(`one triangle: warm first paint ${ms(paint(triangle))} (median of ${loads}),`
    + ` WebGL context to first draw ${ms(draw(triangle))}`);
  for (const page of pages) {
    const bytes = fs.readFileSync(page);
    const first = runs.get(page)[0];
    console.log(`${page}: ${bytes.length} bytes (${(bytes.length / 1024).toFixed(0)} KiB),`
      + ` ${zlib.gzipSync(bytes, { level: 9 }).length} gzipped`);
    console.log(`  before its first draw: ${first.extensions.length} WebGL extensions asked for`
      + `${first.extensions.length ? ` (${first.extensions.join(' ')})` : ''},`
      + ` ${first.uploaded} bytes uploaded`);
    console.log(`  warm first paint ${ms(paint(page))}, ${(paint(page) / paint(triangle)).toFixed(2)}`
      + ` times the triangle's; WebGL context to first draw ${ms(draw(page))}`);
  }
  finish(0);
})().catch((error) => {
  console.error(error.message);
  finish(1);
});
