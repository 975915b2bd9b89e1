// Opens a page in headless Chromium with software WebGL, as a visitor would;
// once it has drawn or says something, writes FOLDER/screenshot.png (the page
// as shown) and FOLDER/canvas.png (the canvas read back, as "Save image as"
// does); if it drew, loses its WebGL context and reads back restored.png once
// it is back. Prints its title, text, the WebGL draws of its last frame, text
// meanwhile and exceptions as JSON.
// With --sync-compile-limit=BYTES, the browser refuses to compile more
// WebAssembly than that on the main thread, as Chromium once did past 4 KB.
// node browser.js PAGE FOLDER DEVICE-PIXEL-RATIO [FLAG...]
const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');

const [page, folder, ratio, ...words] = process.argv.slice(2);
const limit = words.find((word) => word.startsWith('--sync-compile-limit='))?.split('=')[1];
const flags = words.filter((word) => word && !word.startsWith('--sync-compile-limit='));
const chromium = spawn('chromium', ['--headless', '--remote-debugging-pipe',
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  `--user-data-dir=${path.join(folder, 'profile')}`,
  ...(process.getuid() === 0 ? ['--no-sandbox'] : []), ...flags],
{ stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const fail = (why) => { console.error(why); chromium.kill(); process.exit(1); };
setTimeout(() => fail('in 30 s the page neither drew nor said anything'), 30000).unref();

// DevTools protocol messages go both ways as JSON, each ended by a NUL.
let received = '';
const waiting = [];
const exceptions = [];
chromium.stdio[4].on('data', (chunk) => {
  const messages = (received += chunk).split('\0');
  received = messages.pop();
  messages.map((text) => JSON.parse(text)).forEach((message) => (message.id === undefined
    ? message.method === 'Runtime.exceptionThrown' && exceptions.push(message.params)
    : waiting[message.id](message)));
});
// While the page reloads it may have nothing to evaluate in: that is a no.
const send = (method, params, sessionId) => new Promise((resolve) => {
  const id = waiting.push((reply) => (reply.error && method !== 'Runtime.evaluate'
    ? fail(`${method}: ${reply.error.message}`) : resolve(reply.result))) - 1;
  chromium.stdio[3].write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
});

(async () => {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  // A throw is a no, whatever it threw.
  const evaluate = async (expression) => ((reply) => !reply?.exceptionDetails
    && reply?.result.value)(await send('Runtime.evaluate',
    { expression, awaitPromise: true, returnByValue: true }, sessionId));
  const until = async (expression) => {
    while (!(await evaluate(expression))) await new Promise((go) => setTimeout(go, 100));
  };
  await send('Runtime.enable', {}, sessionId);
  await send('Page.enable', {}, sessionId);
  // How many draws the page's last frame made: those since its last clear.
  await send('Page.addScriptToEvaluateOnNewDocument', { source: `window.draws = 0; {
    const prototype = WebGLRenderingContext.prototype;
    const count = (name, add) => {
      const call = prototype[name];
      prototype[name] = function (...words) {
        draws = add(draws);
        return call.apply(this, words);
      };
    };
    count('clear', () => 0);
    count('drawArrays', (counted) => counted + 1);
    count('drawElements', (counted) => counted + 1);
  }` }, sessionId);
  if (limit) {
    await send('Page.addScriptToEvaluateOnNewDocument', { source: `{
      const compile = WebAssembly.Module;
      WebAssembly.Module = function (bytes) {
        if (bytes.byteLength > ${limit}) throw new RangeError('WebAssembly.Compile is disallowed');
        return new compile(bytes);
      };
    }` }, sessionId);
  }
  await send('Emulation.setDeviceMetricsOverride',
    { width: 500, height: 500, deviceScaleFactor: Number(ratio), mobile: false }, sessionId);
  await send('Page.navigate', { url: `file://${path.resolve(page)}` }, sessionId);
  // Drawn: the canvas reads back neither empty nor a new WebGL canvas's black.
  const readBack = 'document.querySelector("canvas").toDataURL()';
  const drawn = `(async () => {
    const image = new Image();
    image.src = ${readBack};
    await image.decode();
    const context = document.createElement('canvas').getContext('2d');
    context.drawImage(image, 0, 0);
    const [red, green, blue, alpha] = context.getImageData(0, 0, 1, 1).data;
    return alpha === 255 && red + green + blue > 0;
  })()`;
  const text = 'document.body.innerText.trim()';
  await until(`(async () => (await ${drawn}) || ${text})()`);
  // Let the compositor show the drawn canvas before the screenshot.
  await evaluate('new Promise((go) => requestAnimationFrame(() => requestAnimationFrame(go)))');
  const save = (name, png) => fs.writeFileSync(path.join(folder, name), Buffer.from(png, 'base64'));
  save('screenshot.png', (await send('Page.captureScreenshot', {}, sessionId)).data);
  save('canvas.png', (await evaluate(readBack)).split(',')[1]);
  const report = await evaluate(
    '({ title: document.title, text: document.body.innerText, draws })');
  if (!report.text) {
    await evaluate('(window.lose = Module.ctx.getExtension("WEBGL_lose_context")).loseContext()');
    await until(text);
    report.lost = await evaluate(text);
    // The page that lost the context is gone once the mill is back.
    await evaluate('lose.restoreContext()');
    await until(`!window.lose && ${drawn}`);
    save('restored.png', (await evaluate(readBack)).split(',')[1]);
  }
  console.log(JSON.stringify({ ...report, exceptions }));
  chromium.kill();
})();
