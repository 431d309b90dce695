// The page served by a real web host, Debian's nginx, as a site would serve it: on 127.0.0.1 at a
// free port, from a configuration written into a scratch directory of its own (logs, pid file
// and temporary files there too), started as a child process (daemon off) and stopped by its pid.
// What it sends is what the browser notes recommend:
//   - each file's MIME type, application/wasm (browsers compile WebAssembly while it downloads
//     only then) and application/manifest+json included;
//   - X.gz where the build wrote one beside X (gzip_static), with Content-Encoding: gzip, and the
//     text types compressed on the fly otherwise (gzip); a file with neither goes as it is;
//   - Cache-Control: no-cache (the browser asks whether its copy is current before each use) for
//     every file whose name stays the same from one build to the next, which today is all of
//     them; `immutable` names a pattern of versioned file names that may be kept for a year.
// With the same interface as server.mjs's startServer, for the browser tests and the benchmarks;
// from the command line it serves a directory until Ctrl+C (or SIGTERM):
//   node tests/web/nginx.mjs [DIRECTORY [PORT]]      (default: dist/web, a free port)
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

export const nginxBinary = process.env.NGINX || '/usr/sbin/nginx';

// The types of every file the page has, and of what a build may add; the rest is
// application/octet-stream (demo.data).
const mimeTypes = {
    'text/html': ['html', 'htm'],
    'text/css': ['css'],
    'text/javascript': ['js', 'mjs'],
    'text/plain': ['txt'],
    'application/json': ['json', 'map'],
    'application/manifest+json': ['webmanifest'],
    'application/wasm': ['wasm'],
    'image/png': ['png'],
    'image/jpeg': ['jpg', 'jpeg'],
    'image/webp': ['webp'],
    'image/svg+xml': ['svg'],
    'image/x-icon': ['ico'],
};
// Compressed on the fly where no .gz sibling exists: text, and the WebAssembly, which gzip takes to
// a third. Never pictures (compressed already) nor demo.data, as many hosts do.
const compressedTypes = ['text/css', 'text/javascript', 'text/plain', 'application/json', 'application/manifest+json',
    'application/wasm', 'image/svg+xml'];
const textTypes = ['text/html', 'text/css', 'text/javascript', 'text/plain', 'application/json', 'application/manifest+json'];

// One line a request: what was asked, its status, the bytes sent (body alone, and with the
// headers), and the Content-Encoding and Content-Type sent.
const logFormat = '$uri\\t$status\\t$body_bytes_sent\\t$bytes_sent\\t$sent_http_content_encoding\\t$sent_http_content_type';

export function nginxConfig({root, port, scratch, immutable = null}) {
    const asRoot = process.getuid && process.getuid() === 0;
    const types = Object.entries(mimeTypes).map(([type, extensions]) => `        ${type} ${extensions.join(' ')};`).join('\n');
    return `# Written by tests/web/nginx.mjs for one run; nginx -p ${scratch} -c ${path.join(scratch, 'nginx.conf')}
daemon off;
master_process on;
worker_processes 1;
pid ${scratch}/nginx.pid;
error_log ${scratch}/error.log warn;
${asRoot ? '# Started as root, its workers read the tests\' private scratch directories too.\nuser root;' : ''}
events {
    worker_connections 256;
}
http {
    log_format served '${logFormat}';
    access_log ${scratch}/access.log served;
    client_body_temp_path ${scratch}/tmp/body;
    proxy_temp_path ${scratch}/tmp/proxy;
    fastcgi_temp_path ${scratch}/tmp/fastcgi;
    uwsgi_temp_path ${scratch}/tmp/uwsgi;
    scgi_temp_path ${scratch}/tmp/scgi;
    sendfile on;
    tcp_nopush on;
    keepalive_timeout 5;
    server_tokens off;

    types {
${types}
    }
    default_type application/octet-stream;
    charset utf-8;
    charset_types ${textTypes.join(' ')};

    # A .gz sibling where the build wrote one; otherwise text compressed on the fly.
    gzip_static on;
    gzip on;
    gzip_vary on;
    gzip_comp_level 6;
    gzip_min_length 256;
    gzip_types ${compressedTypes.join(' ')};

    server {
        listen 127.0.0.1:${port};
        server_name localhost;
        root ${root};
        index index.html;
        # Asked again before each use: a new build under the same names is seen at once (the
        # service worker's sw.js above all, whose change is what installs a new build).
        add_header Cache-Control "no-cache" always;
${immutable ? `        # Names that change with each version: kept for a year, never asked again.
        location ~ ${immutable} {
            add_header Cache-Control "public, max-age=31536000, immutable" always;
        }
` : ''}    }
}
`;
}

function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer();
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const {port} = server.address();
            server.close(() => resolve(port));
        });
    });
}

function accepts(port) {
    return new Promise((resolve) => {
        const socket = net.connect(port, '127.0.0.1');
        socket.on('connect', () => {
            socket.destroy();
            resolve(true);
        });
        socket.on('error', () => resolve(false));
    });
}

// Every scratch directory, removed when this process exits.
const scratches = [];
process.on('exit', () => {
    for (const scratch of scratches) fs.rmSync(scratch, {recursive: true, force: true});
});

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A copy of root whose HTML pages carry headScript first in their <head> (the WebKit driver's
// probe: WebDriver cannot run a script before the page's own): the pages written anew (without
// their .gz siblings, which would still be the old page), everything else linked.
function withHeadScript(root, headScript, scratch) {
    const copy = path.join(scratch, 'site');
    fs.mkdirSync(copy);
    for (const name of fs.readdirSync(root)) {
        const file = path.join(root, name);
        if (/\.html$/.test(name) && fs.statSync(file).isFile()) {
            const page = fs.readFileSync(file, 'utf8').replace('<head>', `<head>\n<script>${headScript}</script>`);
            fs.writeFileSync(path.join(copy, name), page);
        } else if (!/\.html\.gz$/.test(name)) {
            fs.symlinkSync(file, path.join(copy, name));
        }
    }
    return copy;
}

// root: the directory to serve. headScript: JavaScript put first in each top-level HTML page's
// <head>. immutable: an nginx regular expression for versioned file names (see above). port: 0
// for a free one.
export async function startNginx(root, {headScript = null, immutable = null, port = 0} = {}) {
    if (!fs.existsSync(nginxBinary)) throw new Error(`no ${nginxBinary} (scripts/install-packages.sh browser-tests installs nginx)`);
    const directory = path.resolve(root);
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'demo-nginx-'));
    scratches.push(scratch);
    for (const dir of ['tmp', 'logs']) fs.mkdirSync(path.join(scratch, dir));
    const served = headScript ? withHeadScript(directory, headScript, scratch) : directory;
    const configFile = path.join(scratch, 'nginx.conf');
    const errorLog = path.join(scratch, 'error.log');
    const accessLog = path.join(scratch, 'access.log');

    let child = null;
    let exited = null;
    let listening = port;
    const start = async (wanted) => {
        // A free port found here may be taken before nginx binds it: then another.
        for (let attempt = 0; ; attempt++) {
            listening = wanted || (await freePort());
            fs.writeFileSync(configFile, nginxConfig({root: served, port: listening, scratch, immutable}));
            // -e: the error log before the configuration is read (Debian's default is stderr).
            child = spawn(nginxBinary, ['-p', scratch, '-c', configFile, '-e', errorLog], {stdio: ['ignore', 'ignore', 'pipe']});
            let stderr = '';
            child.stderr.on('data', (data) => (stderr += data));
            exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({code, signal})));
            let ended = null;
            exited.then((how) => (ended = how));
            for (let i = 0; i < 100 && !ended; i++) {
                if (await accepts(listening)) return;
                await sleep(50);
            }
            const log = fs.existsSync(errorLog) ? fs.readFileSync(errorLog, 'utf8') : '';
            if (!ended) {
                child.kill('SIGKILL');
                await exited;
                throw new Error(`nginx did not listen on 127.0.0.1:${listening} within 5 s: ${stderr}${log}`);
            }
            if (!wanted && attempt < 5 && /Address already in use/.test(log + stderr)) continue;
            throw new Error(`nginx exited (${JSON.stringify(ended)}): ${stderr}${log.split('\n').slice(-5).join('\n')}`);
        }
    };
    const stop = async () => {
        if (!child) return;
        const running = child;
        child = null;
        // QUIT: finish what is being sent, then exit; KILL if it has not within 5 s.
        try {
            process.kill(running.pid, 'SIGQUIT');
        } catch (error) {
            if (error.code !== 'ESRCH') throw error;
        }
        const timer = setTimeout(() => running.kill('SIGKILL'), 5000);
        await exited;
        clearTimeout(timer);
    };
    await start(port);
    // What nginx sent, from its access log: [{uri, status, bytes, sent, encoding, type}].
    const requests = () => (fs.existsSync(accessLog) ? fs.readFileSync(accessLog, 'utf8') : '').split('\n').filter(Boolean)
        .map((line) => {
            const [uri, status, bytes, sent, encoding, type] = line.split('\t');
            return {uri, status: Number(status), bytes: Number(bytes), sent: Number(sent),
                encoding: encoding === '-' ? null : encoding, type: type === '-' ? null : type};
        });
    return {
        host: 'nginx',
        directory,
        // What nginx serves: the directory, or its copy with the head script.
        site: served,
        scratch,
        url: () => `http://localhost:${listening}/`,
        requests,
        served: {
            get requests() {
                return requests().length;
            },
            get compressed() {
                return requests().filter((r) => r.encoding === 'gzip').length;
            },
        },
        pid: () => child && child.pid,
        // The scratch directory stays until this process exits, for a restart and for its logs.
        stop,
        // The same port again (the offline tests stop the host and start it again).
        restart: async () => {
            await stop();
            await start(listening);
            return listening;
        },
    };
}

// From the command line: serve a directory until told to stop.
if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
    const here = path.dirname(fileURLToPath(import.meta.url));
    const root = process.argv[2] || path.join(here, '../../dist/web');
    if (!fs.existsSync(path.join(root, 'index.html'))) {
        console.error(`nginx.mjs: no ${root}/index.html; run scripts/build-web.sh first`);
        process.exit(1);
    }
    const host = await startNginx(root, {port: Number(process.argv[3] || 0)});
    console.log(`nginx: ${host.url()} (pid ${host.pid()}, configuration and logs in ${host.scratch})`);
    const quit = async () => {
        await host.stop();
        process.exit(0);
    };
    process.on('SIGINT', quit);
    process.on('SIGTERM', quit);
}
