#!/usr/bin/env node
// Checks the replies the end-to-end tests recorded (NVR_REPLY_LOG, see
// tests/harness.cpp) against docs/openapi.json: each reply's media type must
// be one the document gives for its code, and each JSON reply must validate
// against the code's reply schema.
//
//   node scripts/contract-check.js DIR [OPENAPI]      check; exit 1 on a mismatch
//   node scripts/contract-check.js --suggest DIR      print, per code, the shape
//       (the notation of the rows' doc texts) that the recorded JSON replies have
'use strict';
const fs = require('fs');
const path = require('path');
const Ajv2020 = require('ajv/dist/2020').default;

// One recorded request and reply.
function readRecord(file) {
  const buf = fs.readFileSync(file);
  let at = 0;
  const line = () => {
    const nl = buf.indexOf(10, at);
    const s = buf.subarray(at, nl).toString('latin1');
    at = nl + 1;
    return s;
  };
  const method = line(), code = line(), contentType = line();
  const length = parseInt(line(), 10);
  const request = buf.subarray(at, at + length).toString('utf8');
  at += length + 1;
  const out = buf.subarray(at);
  // The CGI header ends at the first blank line (CRLF or LF).
  let headerEnd = -1, bodyAt = 0;
  for (let i = 0; i + 1 < out.length; i++) {
    if (out[i] === 10 && out[i + 1] === 10) { headerEnd = i; bodyAt = i + 2; break; }
    if (out[i] === 13 && out[i + 1] === 10 && out[i + 2] === 13 && out[i + 3] === 10) { headerEnd = i; bodyAt = i + 4; break; }
  }
  const header = headerEnd < 0 ? '' : out.subarray(0, headerEnd).toString('latin1');
  const fields = {};
  for (const h of header.split(/\r?\n/)) {
    const colon = h.indexOf(':');
    if (colon > 0) fields[h.slice(0, colon).trim().toLowerCase()] = h.slice(colon + 1).trim();
  }
  return {
    file: path.basename(file), method, code, contentType, request,
    empty: out.length === 0, fields, body: headerEnd < 0 ? out : out.subarray(bodyAt),
  };
}

function records(dir) {
  return fs.readdirSync(dir).filter((f) => f.endsWith('.reply')).sort().map((f) => readRecord(path.join(dir, f)));
}

// --suggest: the shape of a set of JSON values, in the doc-text notation.
function kindOf(v) {
  if (v === null) return 'z';
  if (Array.isArray(v)) return 'array';
  if (typeof v === 'object') return 'object';
  if (typeof v === 'number') return Number.isInteger(v) ? 'i' : 'n';
  if (typeof v === 'boolean') return 'b';
  return 's';
}
function shapeOf(values) {
  const kinds = [...new Set(values.map(kindOf))];
  if (kinds.includes('i') && kinds.includes('n')) kinds.splice(kinds.indexOf('i'), 1);
  const parts = kinds.map((k) => {
    if (k === 'array') {
      const items = values.filter(Array.isArray).flat();
      return '[' + (items.length ? shapeOf(items) : '*') + ']';
    }
    if (k === 'object') {
      const objs = values.filter((v) => kindOf(v) === 'object');
      const keys = [];
      for (const o of objs) for (const key of Object.keys(o)) if (!keys.includes(key)) keys.push(key);
      const name = (key) => (/^[A-Za-z0-9_-]+$/.test(key) ? key : JSON.stringify(key));
      return '{' + keys.map((key) => {
        const present = objs.filter((o) => key in o);
        return name(key) + (present.length < objs.length ? '?' : '') + ':' + shapeOf(present.map((o) => o[key]));
      }).join(', ') + '}';
    }
    return k;
  });
  return parts.join('|');
}

function suggest(dir) {
  const byCode = new Map();
  for (const r of records(dir)) {
    let v;
    try { v = JSON.parse(r.body.toString('utf8')); } catch { continue; }
    if (v === null || typeof v !== 'object') continue;
    const type = (r.fields['content-type'] || '').split(';')[0].trim();
    const key = `${r.code}\t${type}`;
    if (!byCode.has(key)) byCode.set(key, []);
    byCode.get(key).push(v);
  }
  for (const [key, values] of [...byCode].sort()) console.log(`${key}\t${values.length}\t${shapeOf(values)}`);
}

function check(dir, openapiPath) {
  const doc = JSON.parse(fs.readFileSync(openapiPath, 'utf8'));
  const ajv = new Ajv2020({ allErrors: false, strict: false });
  const validators = new Map();
  const failures = [];
  let validated = 0, other = 0, silent = 0, unregistered = 0, errorForm = 0;
  const codes = new Set();
  for (const r of records(dir)) {
    const item = doc.paths[r.code];
    if (!item) { unregistered++; continue; }
    if (r.empty) { silent++; continue; }
    const op = item.post || item.get;
    // A CGI "Status:" header sets the HTTP status; a "Location:" alone makes it a redirect.
    const status = r.fields.status ? r.fields.status.split(' ')[0] : r.fields.location ? '302' : '200';
    const reply = op.responses[status];
    const fail = (why) => failures.push(`${r.code} (${r.file}): ${why}`);
    if (!reply) { fail(`status ${status} is not documented`); continue; }
    if (status === '302') { other++; continue; }
    const type = (r.fields['content-type'] || '').split(';')[0].trim().toLowerCase();
    const documented = Object.keys(reply.content || {});
    if (!documented.includes(type)) {
      fail(`media type "${type}" is not documented (${documented.join(', ')})`);
      continue;
    }
    const text = r.body.toString('utf8');
    // The program's error forms; the JSON one is not JSON itself.
    if (text === '{status:"CGI ERROR"}' || text === 'CGI ERROR') { errorForm++; continue; }
    // Plain text holding a JSON text is checked against its content schema.
    const documentedSchema = reply.content[type].schema || {};
    const schema = type === 'application/json' ? documentedSchema : documentedSchema.contentSchema;
    if (!schema) { other++; continue; }
    // A text that is not JSON is checked as a bare text (a row may document
    // one, e.g. "ERROR"; a row without a shape accepts any reply).
    let value;
    try { value = JSON.parse(text); } catch (e) { value = text; }
    if (!validators.has(r.code)) validators.set(r.code, ajv.compile(schema));
    const validate = validators.get(r.code);
    if (!validate(value)) {
      const e = validate.errors[0];
      fail(`${e.instancePath || '/'} ${e.message} ${e.params ? JSON.stringify(e.params) : ''}; reply ${text.slice(0, 160)}`);
      continue;
    }
    validated++;
    codes.add(r.code);
  }
  console.log(`contract: ${validated} JSON replies of ${codes.size} codes validated against ${openapiPath}; ` +
              `${other} other replies in documented media types, ${errorForm} error forms, ` +
              `${silent} without output, ${unregistered} to unregistered codes; ${failures.length} mismatches`);
  for (const f of failures.slice(0, 200)) console.log('  ' + f);
  return failures.length === 0 && validated > 0;
}

const args = process.argv.slice(2);
if (args[0] === '--suggest') {
  suggest(args[1]);
} else if (args.length >= 1) {
  process.exit(check(args[0], args[1] || path.join(__dirname, '..', 'docs', 'openapi.json')) ? 0 : 1);
} else {
  console.error('usage: contract-check.js DIR [OPENAPI] | --suggest DIR');
  process.exit(2);
}
