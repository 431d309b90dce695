// A static web server for the browser tests, on 127.0.0.1: the built page as a host would serve
// it, with what the tests need beyond scripts/serve-web.sh: it can send demo.data
// gzip-compressed (as hosts that compress on the fly do), put a script at the head of every page
// (the WebKit driver's probe, since WebKit's WebDriver has no way to run one before the page's
// own), count what it serves, hold demo.data half sent until told to go on (a page caught while it
// loads), and stop and start again on the same port (the offline test).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';

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
};

// directory: what to serve. compress: send demo.data gzip-compressed, in chunks of unknown total
// length. headScript: JavaScript put first in every HTML page's <head>. stall: send the first
// half of demo.data and the rest only once release() is called.
export async function startServer(root, {compress = false, headScript = null, stall = false} = {}) {
    const directory = path.resolve(root);
    const served = {requests: 0, compressed: 0};
    let release = null;
    const released = new Promise((resolve) => (release = resolve));
    const handle = (request, response) => {
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
        if (compress && path.basename(file) === 'demo.data') {
            served.compressed++;
            response.writeHead(200, {...headers, 'Content-Encoding': 'gzip'});
            const gzip = zlib.createGzip();
            gzip.pipe(response);
            gzip.end(body);
            return;
        }
        response.writeHead(200, {...headers, 'Content-Length': body.length});
        if (stall && path.basename(file) === 'demo.data' && request.method !== 'HEAD') {
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
