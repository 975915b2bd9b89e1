// How soon the web page shows the mill, against the cheapest honest
// equivalent: a page that asks WebGL for the very context the mill's page
// asks for (the same kind, with the same attributes) and draws one triangle
// in it. Both are opened from file:// in headless Chromium with software
// WebGL (SwiftShader), each load from a blank page, 300 ms after it showed,
// with the last page's GPU work done. A load has painted two
// animation frames after its first draw call; its time runs from navigation
// start. A median of runs' ratios is printed with their spread, for
// - warm loads, the figure: one Chromium, left open, one tab; after a first
//   round that is left out, RUNS runs one after another, each LOADS loads of
//   each page alternating (the first of each pair alternating), a run's ratio
//   that of its medians: a returning visitor, in a browser already open;
// - cold loads: in each of RUNS runs, each page opened COLD times, each time
//   in a Chromium just started with an empty profile: a first visit.
// Then where a warm load's time goes, from Chromium's tracing of TRACED more
// loads of each page: when the document is committed, has its WebGL context,
// makes its first draw call and has painted, and what the renderer's main
// thread did until the context and from then until the paint, each trace
// event's time counted to the innermost kind below that it lies in.
//   node bench/page.js [--loads=LOADS] [--runs=RUNS] [--cold=COLD] [--traced=TRACED] PAGE
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const options = process.argv.slice(2);
const option = (name, otherwise) => Number(options.find((word) => word.startsWith(`--${name}=`))
  ?.split('=')[1] ?? otherwise);
const loads = option('loads', 15);
const runs = option('runs', 3);
const coldLoads = option('cold', 5);
const traced = option('traced', 5);
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
// for and when, and when it makes its first draw call and has then painted,
// which it tells the benchmark through a binding rather than be polled: a
// poll would run on the very thread being timed.
const watch = `(() => {
  const seen = {};
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
          window.painted?.(JSON.stringify(seen));
        }));
      }
      return call.apply(this, args);
    };
  }
})();`;

// What the renderer's main thread was doing, by the trace events' names, or
// their category for its waits on the GPU process (the context's creation,
// and calls that need an answer): the innermost event that matches counts.
const kinds = [
  ['WebAssembly compile', (event) => /^wasm\./.test(event.name)],
  ['JavaScript compile', (event) => /^v8\.(compile|parseOnBackground)|^V8\.(Compile|Deserialize)/
    .test(event.name)],
  ['waits for the GPU process', (event) => event.cat === 'gpu'],
  ['garbage collection', (event) => /^(MinorGC|MajorGC|V8\.GC)/.test(event.name)],
  ['JavaScript run', (event) => /^(v8\.(run|callFunction|newInstance)|FunctionCall|RunMicrotasks|EvaluateScript)$/
    .test(event.name)],
  ['HTML, style, layout, paint', (event) => /^(ParseHTML|HTMLDocumentParser::|UpdateLayoutTree|Layout$|Paint$|PrePaint|Layerize|WebFrameWidgetImpl::UpdateLifecycle|Commit$)/
    .test(event.name)],
  ['other tasks (navigation among them)', (event) => /RunTask$/.test(event.name)],
];
const categories = ['devtools.timeline', 'v8', 'v8.execute', 'disabled-by-default-v8.compile',
  'v8.wasm', 'blink', 'blink.user_timing', 'loading', 'toplevel', 'gpu'];

// Milliseconds of a thread's events, properly nested, in [from, to), by kind.
const busy = (events, from, to) => {
  const spent = {};
  const open = [];
  let at = from;
  const until = (time) => {
    const end = Math.min(Math.max(time, from), to);
    if (end <= at) return;
    const kind = open.findLast((event) => event.kind)?.kind ?? 'idle';
    spent[kind] = (spent[kind] ?? 0) + (end - at) / 1000;
    at = end;
  };
  for (const event of events) {
    while (open.length && open.at(-1).end <= event.ts) until(open.pop().end);
    until(event.ts);
    open.push({ end: event.ts + event.dur, kind: kinds.find(([, is]) => is(event))?.[0] });
  }
  while (open.length) until(open.pop().end);
  until(to);
  return spent;
};

// A Chromium, driven over the DevTools protocol (JSON messages, each ended
// by a NUL), with one tab; open(file) loads a page in it from a blank one.
const browser = async (profile) => {
  const chromium = spawn('chromium', ['--headless', '--remote-debugging-pipe',
    '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${profile}`, ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
  { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  let received = '';
  const waiting = [];
  const listeners = new Map();
  chromium.stdio[4].on('data', (chunk) => {
    const messages = (received += chunk).split('\0');
    received = messages.pop();
    for (const message of messages.map((text) => JSON.parse(text))) {
      if (message.id !== undefined) waiting[message.id](message);
      else listeners.get(message.method)?.(message.params);
    }
  });
  const send = (method, params, sessionId) => new Promise((resolve, reject) => {
    const id = waiting.push((reply) => (reply.error
      ? reject(new Error(`${method}: ${reply.error.message}`)) : resolve(reply.result))) - 1;
    chromium.stdio[3].write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
  });
  const within = (promise, what) => Promise.race([promise, new Promise((_, fail) => {
    setTimeout(() => fail(new Error(`${what} in 30 s`)), 30000).unref();
  })]);
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  await send('Page.enable', {}, sessionId);
  await send('Runtime.enable', {}, sessionId);
  await send('Runtime.addBinding', { name: 'painted' }, sessionId);
  await send('Page.addScriptToEvaluateOnNewDocument', { source: watch }, sessionId);
  await send('Emulation.setDeviceMetricsOverride',
    { width: 500, height: 500, deviceScaleFactor: 1, mobile: false }, sessionId);
  const next = (method) => new Promise((go) => listeners.set(method, go));
  const open = async (file) => {
    const blank = next('Page.loadEventFired');
    await send('Page.navigate', { url: 'about:blank' }, sessionId);
    await within(blank, 'no blank page');
    // At rest, as a visitor's browser is: the last page's GPU work done.
    await new Promise((go) => setTimeout(go, 300));
    const painted = next('Runtime.bindingCalled');
    await send('Page.navigate', { url: `file://${file}` }, sessionId);
    return JSON.parse((await within(painted, `${file} did not paint`)).payload);
  };
  // The same load, traced: the milestones and the main thread's time.
  const trace = async (file) => {
    const events = [];
    listeners.set('Tracing.dataCollected', ({ value }) => events.push(...value));
    await send('Tracing.start', { traceConfig: { includedCategories: categories },
      transferMode: 'ReportEvents' });
    const seen = await open(file);
    const complete = next('Tracing.tracingComplete');
    await send('Tracing.end');
    await within(complete, 'no trace');
    const start = events.findLast((event) => event.name === 'navigationStart'
      && event.args.data?.documentLoaderURL?.startsWith('file:'));
    const committed = start && events.find((event) => event.name === 'commitNavigationEnd'
      && event.args.frame === start.args.frame && event.ts >= start.ts);
    if (!committed) throw new Error(`no navigation to ${file} in Chromium's trace`);
    const at = (time) => start.ts + time * 1000;
    const main = events.filter((event) => event.pid === start.pid && event.tid === start.tid
      && event.ph === 'X').sort((one, other) => one.ts - other.ts || other.dur - one.dur);
    return { ...seen, committed: (committed.ts - start.ts) / 1000,
      before: busy(main, start.ts, at(seen.context)), after: busy(main, at(seen.context), at(seen.painted)) };
  };
  const close = () => new Promise((ended) => { chromium.on('exit', ended); chromium.kill(); });
  return { open, trace, close };
};

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const ms = (value) => `${value.toFixed(0)} ms`;
const spread = (ratios) => `median ${median(ratios).toFixed(2)} times over ${ratios.length} runs,`
  + ` from ${Math.min(...ratios).toFixed(2)} to ${Math.max(...ratios).toFixed(2)}`;
const pair = (number) => (number % 2 ? [triangle, page] : [page, triangle]);

(async () => {
  const bytes = fs.readFileSync(page);
  console.log(`${page}: ${bytes.length} bytes (${(bytes.length / 1024).toFixed(0)} KiB),`
    + ` ${zlib.gzipSync(bytes, { level: 9 }).length} gzipped`);
  let number = 0;
  const fresh = () => browser(path.join(folder, `profile-${number += 1}`));
  const cold = [];
  for (let run = 0; run < runs; run += 1) {
    const seen = new Map([[page, []], [triangle, []]]);
    for (let load = 0; load < coldLoads; load += 1) {
      for (const file of pair(load)) {
        const chromium = await fresh();
        try {
          seen.get(file).push(await chromium.open(file));
        } finally {
          await chromium.close();
        }
        if (!fs.existsSync(triangle)) {
          writeTriangle(seen.get(page)[0].asked);
          console.log(`  the triangle asks for the page's context: ${JSON.stringify(seen.get(page)[0].asked)}`);
        }
      }
    }
    cold.push([page, triangle].map((file) => median(seen.get(file).map((one) => one.painted))));
  }

  const chromium = await fresh();
  try {
    for (const file of [page, triangle, triangle, page]) await chromium.open(file);
    const ratios = [];
    for (let run = 1; run <= runs; run += 1) {
      const seen = new Map([[page, []], [triangle, []]]);
      for (let load = 0; load < loads; load += 1) {
        for (const file of pair(load)) seen.get(file).push((await chromium.open(file)).painted);
      }
      ratios.push(median(seen.get(page)) / median(seen.get(triangle)));
      console.log(`warm, run ${run}: the page ${ms(median(seen.get(page)))}, the triangle`
        + ` ${ms(median(seen.get(triangle)))}, ${ratios.at(-1).toFixed(2)} times (medians of ${loads} loads)`);
    }
    console.log(`warm: the page's first paint against the triangle's: ${spread(ratios)}`);
    cold.forEach(([mill, one], run) => console.log(`cold, run ${run + 1}: the page ${ms(mill)},`
      + ` the triangle ${ms(one)}, ${(mill / one).toFixed(2)} times (medians of ${coldLoads} loads)`));
    console.log(`cold: the page's first paint against the triangle's: ${spread(cold.map(([mill, one]) => mill / one))}`);

    if (!traced) return;
    const traces = new Map([[page, []], [triangle, []]]);
    for (let load = 0; load < traced; load += 1) {
      for (const file of pair(load)) traces.get(file).push(await chromium.trace(file));
    }
    const row = (name, value) => console.log(`  ${name.padEnd(34)}`
      + `${[page, triangle].map((file) => ms(median(traces.get(file).map(value))).padStart(12)).join('')}`);
    console.log(`where a warm load's time goes, medians of ${traced} traced loads each:`
      + `${''.padEnd(4)}the page  the triangle`);
    console.log(' from navigation start, when it');
    for (const [name, key] of [['has its document committed', 'committed'],
      ['has its WebGL context', 'context'], ['makes its first draw call', 'drawn'],
      ['has painted', 'painted']]) row(name, (one) => one[key]);
    for (const [part, title] of [['before', 'until the context'], ['after', 'from the context to the paint']]) {
      console.log(` the main thread, ${title}`);
      for (const name of [...kinds.map(([kind]) => kind), 'idle']) row(name, (one) => one[part][name] ?? 0);
    }
  } finally {
    await chromium.close();
  }
})().catch((error) => {
  console.error(error.message);
  process.exitCode = 1;
}).finally(() => fs.rmSync(folder, { recursive: true, force: true, maxRetries: 10 }));
