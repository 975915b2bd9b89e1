// How soon the web page shows the mill, against the cheapest honest
// equivalent: a page that asks WebGL for the very context the mill's page
// asks for (the same kind, with the same attributes) and draws one triangle
// in it. Both are opened from file:// in headless Chromium with software
// WebGL (SwiftShader), each load from a blank page, taking turns, the first
// of each pair alternating. A run is a fresh Chromium that loads each page
// LOADS times after a cold round that is left out; there are RUNS runs. A
// page has painted two animation frames after its first draw call. Prints
// each run's medians and the median of the runs' ratios with their spread,
// then where each page's time goes, as medians over all loads: until it has
// its WebGL context (reading, compiling and starting the page), until its
// first draw call (shaders, buffers, the draw calls), until the paint.
//   node bench/page.js [--loads=LOADS] [--runs=RUNS] PAGE
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const options = process.argv.slice(2);
const option = (name, otherwise) => Number(options.find((word) => word.startsWith(`--${name}=`))
  ?.split('=')[1] ?? otherwise);
const loads = option('loads', 20);
const runs = option('runs', 5);
const page = path.resolve(options.find((word) => !word.startsWith('--')));
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'mill-page-bench-'));
const triangle = path.join(folder, 'triangle.html');
const writeTriangle = ({ kind, attributes }) => fs.writeFileSync(triangle, `<!doctype html>
<meta charset="utf-8"><title>Triangle</title>
<style>canvas { width: 500px; height: 500px; }</style>
<canvas width="500" height="500"></canvas><script>
const gl = document.querySelector('canvas').getContext(${JSON.stringify(kind)},
  ${JSON.stringify(attributes)});
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

// Run in every page before its own scripts: notes the WebGL context it asks
// for and when, and when it makes its first draw call and has then painted.
const watch = `(() => {
  const seen = window.seen = {};
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (kind, attributes) {
    if (seen.context === undefined) {
      seen.context = performance.now();
      seen.asked = { kind, attributes };
    }
    return getContext.call(this, kind, attributes);
  };
  for (const draw of ['drawArrays', 'drawElements']) {
    const call = WebGLRenderingContext.prototype[draw];
    WebGLRenderingContext.prototype[draw] = function (...args) {
      if (seen.drawn === undefined) {
        seen.drawn = performance.now();
        requestAnimationFrame(() => requestAnimationFrame(() => {
          seen.painted = performance.now();
        }));
      }
      return call.apply(this, args);
    };
  }
})();`;

// One run: a fresh Chromium, driven over the DevTools protocol (JSON
// messages, each ended by a NUL), that opens the pages in turn.
// Every load of ROUNDS rounds, the first of each pair alternating.
const run = async (order, rounds) => {
  const chromium = spawn('chromium', ['--headless', '--remote-debugging-pipe',
    '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${path.join(folder, 'profile')}`,
    ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
  { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  let received = '';
  const waiting = [];
  chromium.stdio[4].on('data', (chunk) => {
    const messages = (received += chunk).split('\0');
    received = messages.pop();
    messages.map((text) => JSON.parse(text))
      .filter((message) => message.id !== undefined)
      .forEach((message) => waiting[message.id](message));
  });
  const send = (method, params, sessionId) => new Promise((resolve) => {
    const id = waiting.push((reply) => resolve(reply.result)) - 1;
    chromium.stdio[3].write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
  });
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const until = async (expression, what) => {
    const end = Date.now() + 30000;
    for (;;) {
      const value = (await send('Runtime.evaluate', { expression, returnByValue: true },
        sessionId))?.result?.value;
      if (value) return value;
      if (Date.now() > end) throw new Error(`${what} in 30 s`);
      await new Promise((go) => setTimeout(go, 5));
    }
  };
  await send('Page.enable', {}, sessionId);
  await send('Page.addScriptToEvaluateOnNewDocument', { source: watch }, sessionId);
  await send('Emulation.setDeviceMetricsOverride',
    { width: 500, height: 500, deviceScaleFactor: 1, mobile: false }, sessionId);
  const open = async (file) => {
    await send('Page.navigate', { url: 'about:blank' }, sessionId);
    await until('location.href === "about:blank" && document.readyState === "complete"',
      'no blank page');
    await send('Page.navigate', { url: `file://${file}` }, sessionId);
    return until('window.seen?.painted && window.seen', `${file} did not paint`);
  };
  const seen = new Map(order.map((file) => [file, []]));
  try {
    for (let round = 0; round < rounds; round += 1) {
      for (const file of round % 2 ? [...order].reverse() : order) seen.get(file).push(await open(file));
    }
  } finally {
    await new Promise((ended) => { chromium.on('exit', ended); chromium.kill(); });
  }
  return seen;
};

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const ms = (value) => `${value.toFixed(0)} ms`;

(async () => {
  const bytes = fs.readFileSync(page);
  console.log(`${page}: ${bytes.length} bytes (${(bytes.length / 1024).toFixed(0)} KiB),`
    + ` ${zlib.gzipSync(bytes, { level: 9 }).length} gzipped`);
  const [first] = (await run([page], 1)).get(page);
  writeTriangle(first.asked);
  console.log(`  the triangle asks for the page's context: ${JSON.stringify(first.asked)}`);
  const all = new Map([[page, []], [triangle, []]]);
  const ratios = [];
  for (let number = 1; number <= runs; number += 1) {
    const seen = await run([page, triangle], loads + 1);
    const warm = (file) => seen.get(file).slice(1);
    const paint = (file) => median(warm(file).map((one) => one.painted));
    for (const [file, loaded] of all) loaded.push(...warm(file));
    ratios.push(paint(page) / paint(triangle));
    console.log(`run ${number}: the page ${ms(paint(page))}, the triangle ${ms(paint(triangle))},`
      + ` ${ratios.at(-1).toFixed(2)} times (medians of ${loads} warm loads each)`);
  }
  console.log(`the page's first paint, against the triangle's: median ${median(ratios).toFixed(2)}`
    + ` times over ${runs} runs, from ${Math.min(...ratios).toFixed(2)}`
    + ` to ${Math.max(...ratios).toFixed(2)}`);
  for (const [file, loaded] of all) {
    const part = (from, to) => ms(median(loaded.map((one) => (one[to] - (one[from] ?? 0)))));
    console.log(`${file === page ? 'the page' : 'the triangle'}: its context at`
      + ` ${part(undefined, 'context')}, then its first draw ${part('context', 'drawn')},`
      + ` then painted ${part('drawn', 'painted')}`);
  }
})().catch((error) => {
  console.error(error.message);
  process.exit(1);
}).finally(() => fs.rmSync(folder, { recursive: true, force: true, maxRetries: 10 }));
