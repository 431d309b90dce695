'use strict';
// The page's downloads, in a worker of their own (web/page.js starts it). A network hands a file
// over in thousands of pieces of a few hundred bytes; read and inflated on the page's own thread,
// each piece cost a task and a chain of promises, over a second of a phone's main thread before
// the start. Here they cost this thread, and the page hears of them in batches.
//
// Asked {id, name, inflate, parts}, it fetches NAME.gz and inflates it where `inflate` says the
// page's browser can (NAME as it is otherwise), and answers with messages carrying that id:
//   {id, part: ArrayBuffer}    the next bytes of the file, in batches (when `parts`)
//   {id, whole: ArrayBuffer}   all of the file, at its end (without `parts`)
//   {id, done: true, timing}   the end, with what the browser measured of the download
//   {id, failed: 'message'}

// A batch goes once it has waited this long and holds enough to be worth a task of the page's, or
// once it has waited the longest the bar may stand still: a few tens of batches a second on a fast
// network, five on a slow one, where a few kilobytes at a time cost the page a task each.
const batchMs = 40;
const batchBytes = 65536;
const longestBatchMs = 200;

function fetchOk(url) {
    return fetch(url).then((response) => {
        if (!response.ok) throw new Error(url + ': HTTP ' + response.status);
        return response;
    });
}

// The stream of the file's own bytes. A host that marks the .gz files as gzip-encoded has the
// browser inflate them on the way: the first two bytes tell which arrived.
async function fetchPacked(name, inflate) {
    if (!inflate) return {url: name, body: (await fetchOk(name)).body};
    const response = await fetchOk(name + '.gz');
    const reader = response.body.getReader();
    const head = [];
    let headBytes = 0;
    let ended = false;
    while (headBytes < 2) {
        const part = await reader.read();
        if (part.done) {
            ended = true;
            break;
        }
        head.push(part.value);
        headBytes += part.value.length;
    }
    const whole = new ReadableStream({
        start(controller) {
            for (const chunk of head) controller.enqueue(chunk);
            if (ended) controller.close();
        },
        async pull(controller) {
            const part = await reader.read();
            if (part.done) controller.close();
            else controller.enqueue(part.value);
        },
        cancel: (reason) => reader.cancel(reason),
    });
    const first = [];
    for (const chunk of head) first.push(...chunk.subarray(0, 2 - first.length));
    const gzipped = first[0] === 0x1f && first[1] === 0x8b;
    return {url: name + '.gz', body: gzipped ? whole.pipeThrough(new DecompressionStream('gzip')) : whole};
}

// Pieces gathered into one buffer, handed over (transferred, not copied) when asked.
function gatherer() {
    let pieces = [];
    let bytes = 0;
    return {
        add(piece) {
            pieces.push(piece);
            bytes += piece.length;
        },
        get bytes() {
            return bytes;
        },
        take() {
            const all = new Uint8Array(bytes);
            let at = 0;
            for (const piece of pieces) {
                all.set(piece, at);
                at += piece.length;
            }
            pieces = [];
            bytes = 0;
            return all.buffer;
        },
    };
}

// An engine may file the entry a moment after the body's last bytes.
async function timingOf(url) {
    for (let tries = 0; tries < 3; tries++) {
        const entry = performance.getEntriesByName(url, 'resource').pop();
        if (entry) return entry;
        await new Promise((resolve) => setTimeout(resolve, 20));
    }
    return null;
}

async function download({id, name, inflate, parts}) {
    const {url, body} = await fetchPacked(name, inflate && typeof DecompressionStream === 'function');
    const reader = body.getReader();
    const gathered = gatherer();
    let sentAt = performance.now();
    let timer = 0;
    const send = () => {
        clearTimeout(timer);
        timer = 0;
        if (!gathered.bytes) return;
        const part = gathered.take();
        postMessage({id, part}, [part]);
        sentAt = performance.now();
    };
    for (;;) {
        const piece = await reader.read();
        if (piece.done) break;
        gathered.add(piece.value);
        if (!parts) continue;
        const waited = performance.now() - sentAt;
        if (waited >= batchMs && (gathered.bytes >= batchBytes || waited >= longestBatchMs)) send();
        // Sent in any case once it has waited the longest, should the network stall.
        else if (!timer) timer = setTimeout(send, longestBatchMs - waited);
    }
    if (parts) send();
    if (!parts) {
        const whole = gathered.take();
        postMessage({id, whole}, [whole]);
    }
    // The download as the browser's resource timing saw it: the page's own timeline has only what
    // the page fetched itself.
    const entry = await timingOf(new URL(url, location.href).href);
    postMessage({id, done: true, timing: entry ? {...entry.toJSON(), timeOrigin: performance.timeOrigin} : null});
}

onmessage = (event) => {
    download(event.data).catch((error) => postMessage({id: event.data.id, failed: error.message}));
};
