// Replays an editing trace through an established CRDT library and prints one JSON line:
//   node bench.mjs <yjs|automerge> <trace.json.gz> <each|once>
// "each" commits (transacts) once per patch, "once" wraps the whole trace in one transaction.
// Run each measurement in a fresh process so peaks do not leak between them (--expose-gc).

import { readFileSync } from 'node:fs';
import { gunzipSync } from 'node:zlib';

const [lib, tracePath, mode] = process.argv.slice(2);
const readTrace = (path) => JSON.parse(gunzipSync(readFileSync(path)).toString('utf8'));
const trace = readTrace(tracePath);
const patches = trace.txns.reduce((n, t) => n + t.patches.length, 0);

function memory() {
    globalThis.gc?.();
    globalThis.gc?.();
    const m = process.memoryUsage();
    return { rss: m.rss, held: m.heapUsed + m.external };
}

async function yjs() {
    const Y = await import('yjs');
    return {
        version: JSON.parse(readFileSync(new URL('./node_modules/yjs/package.json', import.meta.url))).version,
        replay() {
            const doc = new Y.Doc();
            const text = doc.getText('text');
            const apply = (txn) => {
                for (const [pos, del, ins] of txn.patches) {
                    if (del > 0) text.delete(pos, del);
                    if (ins.length > 0) text.insert(pos, ins);
                }
            };
            if (mode === 'each') {
                for (const txn of trace.txns) doc.transact(() => apply(txn));
            } else {
                doc.transact(() => { for (const txn of trace.txns) apply(txn); });
            }
            return doc;
        },
        text: (doc) => doc.getText('text').toString(),
        save: (doc) => Y.encodeStateAsUpdate(doc),
        load(bytes) {
            const doc = new Y.Doc();
            Y.applyUpdate(doc, bytes);
            return doc;
        },
    };
}

async function automerge() {
    const A = await import('@automerge/automerge');
    return {
        version: JSON.parse(readFileSync(new URL('./node_modules/@automerge/automerge/package.json', import.meta.url))).version,
        replay() {
            let doc = A.from({ text: '' });
            const apply = (d, txn) => {
                for (const [pos, del, ins] of txn.patches) A.splice(d, ['text'], pos, del, ins);
            };
            if (mode === 'each') {
                for (const txn of trace.txns) doc = A.change(doc, (d) => apply(d, txn));
            } else {
                doc = A.change(doc, (d) => { for (const txn of trace.txns) apply(d, txn); });
            }
            return doc;
        },
        text: (doc) => doc.text.toString(),
        save: (doc) => A.save(doc),
        load: (bytes) => A.load(bytes),
    };
}

const impl = lib === 'yjs' ? await yjs() : lib === 'automerge' ? await automerge() : null;
if (!impl) {
    console.error(`unknown library ${lib}`);
    process.exit(2);
}

const before = memory();
const t0 = performance.now();
const doc = impl.replay();
const replayMs = performance.now() - t0;
const peakRss = process.resourceUsage().maxRSS * 1024;
const after = memory();
if (impl.text(doc) !== trace.endContent) {
    console.error(`${lib}: final text differs from the trace's`);
    process.exit(1);
}
const bytes = impl.save(doc);
let loadMs = Infinity;
for (let i = 0; i < 5; i++) {
    const t1 = performance.now();
    const loaded = impl.load(bytes);
    loadMs = Math.min(loadMs, performance.now() - t1);
    if (i === 0 && impl.text(loaded) !== trace.endContent) {
        console.error(`${lib}: loaded text differs`);
        process.exit(1);
    }
}
console.log(JSON.stringify({
    lib, version: impl.version, mode, patches,
    replay_ms: replayMs,
    load_ms: loadMs,
    save_bytes: bytes.length,
    held_mb: (after.held - before.held) / 2 ** 20,
    peak_rss_mb: (peakRss - before.rss) / 2 ** 20,
}));
