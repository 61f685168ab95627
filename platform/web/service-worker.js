// Keeps the page's files, all of one build, so that once visited the game
// loads and plays with no network. Its file list, their SHA-256 sums and the
// cache's name (from those sums) are filled in by service_worker.py: a new
// build is a new worker, which the browser fetches on the next visit online.
"use strict";

const FILES = @FILES@;
const CACHE = "@CACHE@";
const OURS = "zorbuny-";

const hex = bytes => [...new Uint8Array(bytes)].map(b => b.toString(16).padStart(2, "0")).join("");

// Every file fetched afresh (revalidated: the copy the browser already holds
// comes back as a 304) and held to this build's sum. A server caught half way
// through copying a new release fails the install, and the page keeps the
// complete build it has: a wasm of one build never meets a script of another.
async function keep() {
  const fetched = await Promise.all(Object.entries(FILES).map(async ([name, sum]) => {
    const response = await fetch(name, { cache: "no-cache" });
    if (!response.ok)
      throw new Error(`${name}: HTTP ${response.status}`);
    if (hex(await crypto.subtle.digest("SHA-256", await response.clone().arrayBuffer())) !== sum)
      throw new Error(`${name} is not the one of ${CACHE}`);
    return [name, response];
  }));
  const cache = await caches.open(CACHE);
  try {
    await Promise.all(fetched.map(([name, response]) => cache.put(name, response)));
  } catch (e) {
    await caches.delete(CACHE);
    throw e;
  }
}

self.addEventListener("install", event => event.waitUntil(keep().then(() => self.skipWaiting())));

// The new build takes over at once: a page already running has all its files.
self.addEventListener("activate", event => event.waitUntil((async () => {
  for (const name of await caches.keys())
    if (name.startsWith(OURS) && name !== CACHE)
      await caches.delete(name);
  await self.clients.claim();
})()));

self.addEventListener("fetch", event => {
  const request = event.request;
  const scope = new URL(self.registration.scope);
  const url = new URL(request.url);
  if (request.method !== "GET" || url.origin !== scope.origin || !url.pathname.startsWith(scope.pathname))
    return;
  const name = url.pathname.slice(scope.pathname.length) || "index.html";
  if (!Object.hasOwn(FILES, name))
    return;
  event.respondWith(caches.open(CACHE).then(cache => cache.match(name))
    .then(kept => kept || fetch(request)));
});
