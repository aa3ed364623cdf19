// Validates glTF files with the Khronos validator (node_modules, installed by
// scripts/install-deps): node tests/gltf/validate.mjs [--strict] FILE...
// Exits non-zero when a file has an error, or a warning about its materials,
// textures or images (with --strict: any warning at all); prints the report
// of each such file.
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import validator from 'gltf-validator';

function concernsMaterial(message) {
    return /material|texture|image|sampler/i.test(`${message.code} ${message.pointer ?? ''}`);
}

let failed = false;
const strict = process.argv[2] === '--strict';
const files = process.argv.slice(strict ? 3 : 2);
if (files.length === 0) {
    console.error('usage: node validate.mjs FILE...');
    process.exit(2);
}
for (const file of files) {
    const report = await validator.validateBytes(new Uint8Array(await readFile(file)), {
        uri: path.basename(file),
        maxIssues: 0,
        writeTimestamp: false,
        externalResourceFunction: async (uri) =>
            new Uint8Array(await readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)))),
    });
    const { numErrors, numWarnings, numInfos, numHints, messages } = report.issues;
    const warnings = messages.filter((m) => m.severity === 1 && (strict || concernsMaterial(m)));
    const bad = numErrors > 0 || warnings.length > 0;
    console.log(`${bad ? 'FAIL' : 'ok'} ${file}: ${numErrors} errors, ${numWarnings} warnings, ` +
                `${numInfos} infos, ${numHints} hints`);
    if (bad || process.env.GLTF_VALIDATE_VERBOSE) console.log(JSON.stringify(report, null, 2));
    failed ||= bad;
}
process.exit(failed ? 1 : 0);
