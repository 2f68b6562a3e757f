// The downloads table: pages, sorting by any column and filtering by text. The rows come
// from the JSON block beside this script; every text goes in as text, never as markup.
(function () {
  'use strict';
  var source = document.getElementById('quillan-rows');
  var table = document.getElementById('downloads');
  if (!source || !table || !window.JSON) return;
  var data = JSON.parse(source.textContent);
  var rows = data.rows;
  var tbody = table.tBodies[0];
  var note = document.getElementById('table-note');
  var filter = document.getElementById('table-filter');
  var sizeBox = document.getElementById('table-size');
  var prev = document.getElementById('table-prev');
  var next = document.getElementById('table-next');
  var collator = new Intl.Collator(data.lang || undefined, { numeric: true, sensitivity: 'base' });

  function grouped(n) {
    var s = String(Math.abs(n)), out = '';
    while (s.length > 3) { out = data.group + s.slice(-3) + out; s = s.slice(0, -3); }
    return (n < 0 ? '-' : '') + s + out;
  }
  function when(day, time) {
    if (day < 0) return '';
    var text = data.days[day][0];
    return time === '' ? text : text + ' - ' + time;
  }
  function seconds(time) {
    var m = /^(\d+):(\d+):(\d+)\s*(.*)$/.exec(time);
    if (!m) return 0;
    var h = Number(m[1]) % 12 + (m[4] === data.pm ? 12 : 0);
    return h * 3600 + Number(m[2]) * 60 + Number(m[3]);
  }
  function moment(day, time) {
    if (day < 0) return -Infinity;
    var key = data.days[day][1];
    return key === null ? -Infinity : key * 86400 + seconds(time);
  }
  // Row layout: name, host, start day, start time, finish day, finish time, restarts,
  // resumes, mirror swaps, kilobytes resumed.
  var columns = [
    { key: function (r) { return r[0]; }, text: true },
    { key: function (r) { return data.hosts[r[1]]; }, text: true },
    { key: function (r) { return moment(r[2], r[3]); } },
    { key: function (r) { return moment(r[4], r[5]); } },
    { key: function (r) { return r[6]; } },
    { key: function (r) { return r[7]; } },
    { key: function (r) { return r[8]; } },
    { key: function (r) { return r[9]; } },
    { key: function (r) { return r[4] >= 0 ? 1 : 0; } }
  ];
  var order = null, descending = false, page = 0, view = rows;

  function matches(r, needle) {
    return r[0].toLowerCase().indexOf(needle) >= 0 ||
      data.hosts[r[1]].toLowerCase().indexOf(needle) >= 0 ||
      when(r[2], r[3]).toLowerCase().indexOf(needle) >= 0 ||
      when(r[4], r[5]).toLowerCase().indexOf(needle) >= 0;
  }
  function refresh() {
    var needle = filter.value.trim().toLowerCase();
    view = needle === '' ? rows.slice() : rows.filter(function (r) { return matches(r, needle); });
    if (order !== null) {
      var column = columns[order], sign = descending ? -1 : 1;
      var keyed = view.map(function (r, i) { return { r: r, k: column.key(r), i: i }; });
      keyed.sort(function (a, b) {
        var c = column.text ? collator.compare(a.k, b.k) : (a.k < b.k ? -1 : a.k > b.k ? 1 : 0);
        return c !== 0 ? sign * c : a.i - b.i;
      });
      view = keyed.map(function (x) { return x.r; });
    }
    draw();
  }
  function cell(tr, text, cls) {
    var td = document.createElement('td');
    td.textContent = text;
    if (cls) td.className = cls;
    tr.appendChild(td);
  }
  function draw() {
    var size = Number(sizeBox.value);
    var pages = Math.max(1, Math.ceil(view.length / size));
    if (page >= pages) page = pages - 1;
    var first = page * size, last = Math.min(view.length, first + size);
    var body = document.createElement('tbody');
    for (var i = first; i < last; i++) {
      var r = view[i], tr = document.createElement('tr');
      cell(tr, r[0], 'name');
      cell(tr, data.hosts[r[1]], 'host');
      cell(tr, when(r[2], r[3]));
      cell(tr, when(r[4], r[5]));
      cell(tr, grouped(r[6]), 'num');
      cell(tr, grouped(r[7]), 'num');
      cell(tr, grouped(r[8]), 'num');
      cell(tr, grouped(r[9]), 'num');
      cell(tr, r[4] >= 0 ? data.words.done : data.words.open, r[4] >= 0 ? 'status-done' : 'status-open');
      body.appendChild(tr);
    }
    table.replaceChild(body, tbody);
    tbody = body;
    note.textContent = view.length === 0 ? data.words.none :
      data.words.showing.replace('%1', grouped(first + 1)).replace('%2', grouped(last))
        .replace('%3', grouped(view.length)) +
      (view.length !== rows.length ? ' ' + data.words.filtered.replace('%1', grouped(rows.length)) : '');
    prev.disabled = page === 0;
    next.disabled = page >= pages - 1;
  }

  var headers = table.tHead.rows[0].cells;
  Array.prototype.forEach.call(headers, function (th, index) {
    var label = th.textContent;
    th.textContent = '';
    var button = document.createElement('button');
    button.type = 'button';
    button.textContent = label;
    th.appendChild(button);
    th.setAttribute('aria-sort', 'none');
    button.addEventListener('click', function () {
      descending = order === index ? !descending : false;
      order = index;
      Array.prototype.forEach.call(headers, function (h) { h.setAttribute('aria-sort', 'none'); });
      th.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
      page = 0;
      refresh();
    });
  });
  filter.addEventListener('input', function () { page = 0; refresh(); });
  sizeBox.addEventListener('change', function () { page = 0; draw(); });
  prev.addEventListener('click', function () { if (page > 0) { page--; draw(); } });
  next.addEventListener('click', function () { page++; draw(); });
  document.getElementById('table-controls').hidden = false;
  refresh();
})();
