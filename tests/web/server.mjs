// A static web server for the browser tests, on 127.0.0.1: the built page as a host would serve
// it, with what the tests need beyond scripts/serve-web.sh: it can mark the compressed files it
// sends (demo.data.gz and the others the page fetches) as gzip-encoded, as some hosts do for .gz
// files, so that the browser inflates them on the way, put a script at the head of every page
// (the WebKit driver's probe, since WebKit's WebDriver has no way to run one before the page's
// own), count what it serves (each body's bytes too), hold demo.data half sent until told to go
// on (a page caught while it loads), and stop and start again on the same port (the offline test).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const types = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript',
    '.css': 'text/css',
    '.json': 'application/json',
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
    '.png': 'image/png',
    '.jpg': 'image/jpeg',
    '.webmanifest': 'application/manifest+json',
    '.txt': 'text/plain; charset=utf-8',
    '.gz': 'application/gzip',
};

// directory: what to serve. compress: send every .gz file as it is with Content-Encoding: gzip, in
// chunks of unknown total length. headScript: JavaScript put first in every HTML page's <head>.
// dataBytesPerSecond: send the data package (demo.data and demo.data.gz) no faster, as a slow
// network would. stall: send the first half of the data package and the rest only once release()
// is called. posterDelayMs: send the poster's second half this much later, so that the page's
// script runs before the poster is in.
export async function startServer(root, {compress = false, headScript = null, dataBytesPerSecond = 0, stall = false,
    posterDelayMs = 0} = {}) {
    const directory = path.resolve(root);
    // bodies: each file's body sent, as {file, bytes, at: the request's arrival, ms since the epoch}.
    const served = {requests: 0, compressed: 0, bodies: []};
    let release = null;
    const released = new Promise((resolve) => (release = resolve));
    const handle = (request, response) => {
        const arrived = Date.now();
        served.requests++;
        const name = decodeURIComponent(new URL(request.url, 'http://host').pathname);
        let file = path.join(directory, path.normalize(name));
        if (!file.startsWith(directory)) file = directory;
        if (fs.existsSync(file) && fs.statSync(file).isDirectory()) file = path.join(file, 'index.html');
        if (!fs.existsSync(file)) {
            response.writeHead(404, {'Content-Type': 'text/plain'});
            response.end('not found');
            return;
        }
        const extension = path.extname(file);
        const headers = {'Content-Type': types[extension] || 'application/octet-stream', 'Cache-Control': 'no-cache'};
        let body = fs.readFileSync(file);
        if (extension === '.html' && headScript)
            body = Buffer.from(body.toString().replace('<head>', `<head>\n<script>${headScript}</script>`));
        if (request.method !== 'HEAD') served.bodies.push({file: path.basename(file), bytes: body.length, at: arrived});
        if (compress && extension === '.gz') {
            served.compressed++;
            response.writeHead(200, {...headers, 'Content-Encoding': 'gzip'});
            for (let at = 0; at < body.length; at += 65536) response.write(body.subarray(at, at + 65536));
            response.end();
            return;
        }
        response.writeHead(200, {...headers, 'Content-Length': body.length});
        const dataPackage = /^demo\.data(\.gz)?$/.test(path.basename(file)) && request.method !== 'HEAD';
        if (dataBytesPerSecond && dataPackage) {
            // A tenth of a second's worth at a time.
            const piece = Math.max(1, Math.round(dataBytesPerSecond / 10));
            let at = 0;
            const next = () => {
                if (response.destroyed) return;
                response.write(body.subarray(at, at + piece));
                at += piece;
                if (at < body.length) setTimeout(next, 100);
                else response.end();
            };
            next();
            return;
        }
        if (posterDelayMs && path.basename(file) === 'poster.jpg') {
            response.write(body.subarray(0, body.length >> 1));
            setTimeout(() => response.end(body.subarray(body.length >> 1)), posterDelayMs);
            return;
        }
        if (stall && dataPackage) {
            const half = body.length >> 1;
            response.write(body.subarray(0, half));
            released.then(() => response.end(body.subarray(half)));
            return;
        }
        response.end(request.method === 'HEAD' ? undefined : body);
    };

    let server = null;
    const listen = (port) => new Promise((resolve, reject) => {
        server = http.createServer(handle);
        server.keepAliveTimeout = 1000;
        server.on('error', reject);
        server.listen(port, '127.0.0.1', () => resolve(server.address().port));
    });
    const port = await listen(0);
    return {
        host: 'plain',
        directory,
        release,
        // WebKit counts localhost, but not 127.0.0.1, as a secure origin, and offers service workers
        // only to those; the name is looked up on this machine alone.
        url: () => `http://localhost:${port}/`,
        served,
        stop: () => new Promise((resolve) => {
            server.closeAllConnections();
            server.close(() => resolve());
        }),
        restart: () => listen(port),
    };
}
