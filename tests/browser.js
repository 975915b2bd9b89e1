// Opens a page in headless Chromium with software WebGL, as a visitor would;
// once it has drawn or says something, writes FOLDER/screenshot.png (the page
// as shown) and FOLDER/canvas.png (the canvas read back, as "Save image as"
// does) and prints its title and text as JSON. node browser.js PAGE FOLDER [FLAG...]
const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');

const [page, folder, ...flags] = process.argv.slice(2);
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
chromium.stdio[4].on('data', (chunk) => {
  const messages = (received += chunk).split('\0');
  received = messages.pop();
  messages.map((text) => JSON.parse(text)).forEach((message) => waiting[message.id]?.(message));
});
const send = (method, params, sessionId) => new Promise((resolve) => {
  const id = waiting.push((reply) => (reply.error ? fail(`${method}: ${reply.error.message}`)
    : resolve(reply.result))) - 1;
  chromium.stdio[3].write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
});

(async () => {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  const evaluate = async (expression) => (await send('Runtime.evaluate',
    { expression, awaitPromise: true, returnByValue: true }, sessionId)).result.value;
  await send('Emulation.setDeviceMetricsOverride',
    { width: 500, height: 500, deviceScaleFactor: 1, mobile: false }, sessionId);
  await send('Page.navigate', { url: `file://${path.resolve(page)}` }, sessionId);
  // Drawn: the canvas reads back neither empty nor a new WebGL canvas's black.
  const readBack = 'document.querySelector("canvas").toDataURL()';
  while (!(await evaluate(`(async () => {
    const image = new Image();
    image.src = ${readBack};
    await image.decode();
    const context = document.createElement('canvas').getContext('2d');
    context.drawImage(image, 0, 0);
    const [red, green, blue, alpha] = context.getImageData(0, 0, 1, 1).data;
    return (alpha === 255 && red + green + blue > 0) || document.body.innerText.trim() !== '';
  })()`))) await new Promise((resolve) => setTimeout(resolve, 100));
  // Let the compositor show the drawn canvas before the screenshot.
  await evaluate('new Promise((go) => requestAnimationFrame(() => requestAnimationFrame(go)))');
  const save = (name, png) => fs.writeFileSync(path.join(folder, name), Buffer.from(png, 'base64'));
  save('screenshot.png', (await send('Page.captureScreenshot', {}, sessionId)).data);
  save('canvas.png', (await evaluate(readBack)).split(',')[1]);
  const report = '({ title: document.title, text: document.body.innerText })';
  console.log(JSON.stringify(await evaluate(report)));
  chromium.kill();
})();
