// Prints our benchmark figures beside the peers' from the same run, with ratios.
//   node compare.mjs <google-benchmark.json> <peers.jsonl>
import { readFileSync } from 'node:fs';

const ours = JSON.parse(readFileSync(process.argv[2], 'utf8')).benchmarks;
const peers = readFileSync(process.argv[3], 'utf8').trim().split('\n').map((l) => JSON.parse(l));
const ms = (b) => b.real_time * ({ ns: 1e-6, us: 1e-3, ms: 1, s: 1e3 }[b.time_unit]);
const find = (prefix) => ours.find((b) => b.name.startsWith(prefix));
const f = (x, d = 1) => (x === undefined ? '-' : x.toFixed(d));

const rows = [];
for (const trace of ['automerge-paper', 'seph-blog1']) {
    for (const [mode, ourMode] of [['each', 'commit_each'], ['once', 'commit_once']]) {
        const replay = find(`replay/${trace}/${ourMode}`);
        const load = find(`load/${trace}/${ourMode}`);
        const loadHeads = find(`load_and_heads/${trace}/${ourMode}`);
        if (!replay || !load) continue;
        const group = peers.filter((p) => p.trace === trace);
        const same = group.filter((p) => p.mode === mode);
        const yjs = same.find((p) => p.lib === 'yjs');
        const smallest = Math.min(...group.map((p) => p.save_bytes));
        const fastestLoad = Math.min(...group.map((p) => p.load_ms));
        rows.push(`\n${trace}, one commit ${mode === 'each' ? 'per patch' : 'for all patches'}:`);
        rows.push(`  replay   ours ${f(ms(replay))} ms` + same.map((p) => `   ${p.lib} ${f(p.replay_ms)} ms (${f(p.replay_ms / ms(replay))}x)`).join(''));
        rows.push(`  save     ours ${replay.save_bytes} B` + group.filter((p) => p.mode === mode || p.lib !== 'yjs').map((p) => `   ${p.lib}/${p.mode} ${p.save_bytes} B (${f(p.save_bytes / replay.save_bytes, 2)}x)`).join('') + `   smallest peer ${smallest} B: ${replay.save_bytes <= smallest ? 'ok' : 'LARGER'}`);
        rows.push(`  load     ours ${f(ms(load), 2)} ms` + group.filter((p) => p.mode === mode || p.lib !== 'yjs').map((p) => `   ${p.lib}/${p.mode} ${f(p.load_ms, 2)} ms (${f(p.load_ms / ms(load))}x)`).join('') + `   fastest peer ${f(fastestLoad, 2)} ms: ${ms(load) <= fastestLoad ? 'ok' : 'SLOWER'}`);
        if (loadHeads) rows.push(`  load + first get_heads (recomputes all change hashes): ours ${f(ms(loadHeads), 2)} ms`);
        rows.push(`  memory   ours held ${f(replay.held_mb)} MB, peak ${f(replay.peak_mb)} MB` + same.map((p) => `   ${p.lib} held ${f(p.held_mb)} MB, peak RSS growth ${f(p.peak_rss_mb)} MB`).join(''));
        if (yjs) rows.push(`  target   replay >= 5x faster than Yjs: ${yjs.replay_ms / ms(replay) >= 5 ? 'ok' : 'MISSED'}`);
    }
}
const other = ours.filter((b) => !/^(replay|load|load_and_heads)\//.test(b.name));
rows.push('\nDocument operations (ours):');
for (const b of other) rows.push(`  ${b.name.padEnd(40)} ${f(ms(b), 2)} ms` + (b.items_per_second ? `  ${f(b.items_per_second / 1e6, 2)} M items/s` : ''));
const versions = [...new Set(peers.map((p) => `${p.lib} ${p.version}`))].join(', ');
console.log(`Peers: ${versions} (Node ${process.version}); times are wall-clock, same machine, same run.`);
console.log(rows.join('\n'));
