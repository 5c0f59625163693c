// What the browser tests share: the page served on 127.0.0.1 with every
// request noted, and Debian's Chromium started headless with a fresh profile
// and nothing of its own going over the network.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm'};

export async function servePage(webDir) {
  const requests = [];
  const server = http.createServer((request, response) => {
    requests.push({at: Date.now(), url: request.url});
    const wanted = path.normalize(decodeURIComponent(request.url.split('?')[0])).replace(/^\/$/, '/index.html');
    const file = path.join(webDir, wanted);
    if (!file.startsWith(webDir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {origin: `http://127.0.0.1:${server.address().port}`, requests, close: () => server.close()};
}

export async function startChromium(profile) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           `--user-data-dir=${profile}`],
    env: {...process.env},
  });
}

// Saves downloads into `folder`; returns a function that presses the link
// `selector` and resolves with the saved file's path once it is complete.
export async function downloadsInto(page, folder) {
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: folder});
  return async (selector, name) => {
    for (const file of fs.readdirSync(folder)) fs.rmSync(path.join(folder, file));
    await page.$eval(selector, (link, name) => { link.download = name; }, name);
    await page.focus(selector);
    await page.keyboard.press('Enter');
    const target = path.join(folder, name);
    for (let waited = 0; waited < 600000 && !fs.existsSync(target); waited += 100) {
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    return target;
  };
}
