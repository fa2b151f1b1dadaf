// SPDX-License-Identifier: MIT
// Runs the Khronos glTF validator over one file. Exit status 0 when it reports
// no error and no warning; 1 otherwise, with every message on standard error;
// 2 when the file cannot be read. Usage: node validate.js FILE.glb
'use strict';
const fs = require('fs');
const validator = require('gltf-validator');

const path = process.argv[2];
let bytes;
try {
    bytes = fs.readFileSync(path);
} catch (error) {
    console.error(`validate.js: cannot read ${path}: ${error.message}`);
    process.exit(2);
}
validator.validateBytes(new Uint8Array(bytes), {maxIssues: 0}).then((report) => {
    const issues = report.issues;
    for (const message of issues.messages) {
        // Severity 0 error, 1 warning, 2 information, 3 hint.
        console.error(`${message.severity} ${message.code} ${message.pointer || ''}: ${message.message}`);
    }
    console.log(`${path}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
                `${issues.numInfos} infos, ${issues.numHints} hints`);
    process.exit(issues.numErrors === 0 && issues.numWarnings === 0 ? 0 : 1);
}, (error) => {
    console.error(`validate.js: ${path}: ${error}`);
    process.exit(1);
});
