'use strict';
// The module as an application gets it: `npm pack`, installed from the tarball
// into an empty folder, required by its package name, run, and its typed usage
// checked against the installed declarations. Needs the dev dependencies
// (`npm ci`); skipped without them.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const moduleDir = path.join(__dirname, '..');
const tsc = path.join(moduleDir, 'node_modules', 'typescript', 'bin', 'tsc');
const skip = fs.existsSync(tsc) ? false : 'no TypeScript: run `npm ci` in examples/node-host';
const run = (program, args, options) => execFileSync(program, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], ...options });
const npm = (args, cwd) => run('npm', [...args, '--no-audit', '--no-fund', '--loglevel=error'], { cwd });

test('the packed module installs and runs in an empty folder, with its types', { skip, timeout: 60000 }, () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tallwick-node-package-'));
  try {
    const [packed] = JSON.parse(npm(['pack', '--json', '--pack-destination', dir], moduleDir));
    assert.deepStrictEqual(packed.files.map((file) => file.path).sort(),
      ['example.js', 'package.json', 'tallwickAudio.d.ts', 'tallwickAudio.js']);
    const app = path.join(dir, 'app');
    fs.mkdirSync(app);
    fs.writeFileSync(path.join(app, 'package.json'), '{ "name": "app", "private": true }\n');
    // Offline: the module needs nothing from the registry at run time.
    npm(['install', '--offline', path.join(dir, packed.filename)], app);

    // The tool named by the environment variable only.
    const output = run(process.execPath, ['-e', "require('tallwick-audio').startTallwickAudio().on('ready', console.log)"],
      { cwd: app, env: { ...process.env, TALLWICK_AUDIO_BIN: path.join(__dirname, 'fakeTool.js'), FAKE_TOOL_MODE: 'chunks' } });
    assert.strictEqual(output, 'ok\n');

    fs.copyFileSync(path.join(__dirname, 'typedUsage.ts'), path.join(app, 'typedUsage.ts'));
    // Its output, should the typed usage not check against the installed package, is the failure's message.
    run(process.execPath, [tsc, '--noEmit', '--strict', '--target', 'es2022', '--module', 'commonjs', '--moduleResolution', 'node10',
      '--types', 'node', '--typeRoots', path.join(moduleDir, 'node_modules', '@types'), 'typedUsage.ts'], { cwd: app, stdio: 'inherit' });
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
