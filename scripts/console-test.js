#!/usr/bin/env node
// Browser test of the API console: opens the console a running system serves
// (headless chromium through playwright-core), runs the login "/1000" and the
// channel list "/2001" from the page with "Try it out", and reads the replies
// the page shows.
//
//   node scripts/console-test.js [BASE_URL]     (default http://127.0.0.1:8080)
// Environment: CHROMIUM names the browser (default /usr/bin/chromium).
'use strict';
const { chromium } = require('playwright-core');

const base = process.argv[2] || 'http://127.0.0.1:8080';

// Expands one operation, puts `body` in its request editor (when it takes
// one), executes it and returns the status and body the page shows.
async function tryOut(page, tag, code, body) {
  // The console draws operations as they scroll into view: open this one by
  // its link (#/area/operation), which unfolds it.
  await page.goto('about:blank');
  await page.goto(`${base}/console/#/${tag}/code${code}`);
  const op = page.locator(`#operations-${tag}-code${code}`);
  await op.waitFor({ timeout: 30000 });
  if (!(await op.getAttribute('class')).includes('is-open')) await op.locator('.opblock-summary').first().click();
  const tryIt = op.locator('button.try-out__btn');
  if (await tryIt.count() && (await tryIt.innerText()).trim() === 'Try it out') await tryIt.click();
  if (body !== undefined) await op.locator('textarea.body-param__text').fill(body);
  await op.locator('button.execute').click();
  // The server's reply: its status and the body the page shows.
  const reply = op.locator('.live-responses-table tr.response');
  await reply.first().waitFor({ timeout: 20000 });
  const status = (await reply.first().locator('.response-col_status').innerText()).trim();
  const shown = (await reply.first().locator('.response-col_description pre').first().innerText()).trim();
  return { status, shown };
}

function expect(cond, what) {
  if (!cond) throw new Error(what);
}

(async () => {
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
  let failed = false;
  try {
    const page = await browser.newPage();
    const problems = [];
    page.on('pageerror', (e) => problems.push(String(e)));
    await page.goto(base + '/', { waitUntil: 'load' });
    expect(page.url().endsWith('/console/'), `"/" leads to the console, not to ${page.url()}`);
    await page.locator('#operations-tag-system').waitFor({ timeout: 30000 });
    expect(problems.length === 0, `page errors: ${problems.join('; ')}`);
    const title = (await page.locator('.info .title').first().innerText()).trim();
    expect(title.startsWith('NVR web API'), `the console shows the document ("${title}")`);

    // Log in as the factory administrator: md5("admin").
    const login = await tryOut(page, 'system', '1000',
      '{"userName":"admin","md5":"21232f297a57a5a743894a0e4a801fc3"}');
    console.log(`/1000 -> ${login.status} ${login.shown.replace(/\s+/g, ' ').slice(0, 200)}`);
    expect(login.status === '200', `login status ${login.status}`);
    const who = JSON.parse(login.shown);
    expect(who.type >= 0 && who.userName === 'admin' && /^[0-9a-f]{32}$/i.test(String(who.sessionId)),
           `login accepted (type ${who.type}, user ${who.userName})`);

    // The channel list: the demo recorder's channels with their cameras.
    const list = await tryOut(page, 'camera', '2001');
    console.log(`/2001 -> ${list.status} ${list.shown.replace(/\s+/g, ' ').slice(0, 200)}`);
    expect(list.status === '200', `channel list status ${list.status}`);
    const channels = JSON.parse(list.shown);
    expect(Array.isArray(channels.IPC) && channels.IPC.length > 0 && typeof channels.IPC[0].name === 'string',
           'the channel list holds the channels');
    expect(problems.length === 0, `page errors: ${problems.join('; ')}`);
    console.log('console test: passed');
  } catch (e) {
    console.error('console test: FAILED: ' + e.message);
    if (process.env.NVR_CONSOLE_SHOT) await browser.contexts()[0]?.pages()[0]?.screenshot({ path: process.env.NVR_CONSOLE_SHOT, fullPage: false });
    failed = true;
  } finally {
    await browser.close();
  }
  process.exit(failed ? 1 : 0);
})();
