// The results board: the latest heats from /api/heats, kept live by the pushes on /live.
// Names and clubs come from start lists: they are only ever set as text, never as markup.
'use strict';

const shown = 24;
const heats = new Map();
let refreshing = false;
let held = [];
let retry = 500;

function stateText(h) {
  if (h.state !== 'official') return 'Provisional';
  return h.revision > 1 ? `Official, revision ${h.revision}` : 'Official';
}

function cell(row, text, cls) {
  const td = row.insertCell();
  td.textContent = text ?? '';
  if (cls) td.className = cls;
  return td;
}

function crewCell(row, r) {
  const td = cell(row, r.name || '');
  if (r.club) {
    const club = document.createElement('span');
    club.className = 'club';
    club.textContent = r.club;
    td.appendChild(club);
  }
}

function placeText(r) {
  if (r.place == null) return r.code || '';
  return r.dead_heat ? r.place + '=' : String(r.place);
}

function fillRows(body, rows) {
  body.replaceChildren();
  for (const r of rows || []) {
    const row = body.insertRow();
    cell(row, placeText(r), 'num' + (r.place == null && r.code ? ' code' : ''));
    cell(row, r.lane ?? '', 'num lane');
    cell(row, r.bib || '', 'bib');
    crewCell(row, r);
    cell(row, r.place == null && r.code ? '' : (r.time || ''), 'num');
    cell(row, r.difference || '', 'num diff');
  }
}

function card(h) {
  let el = document.getElementById('heat-' + h.id);
  if (!el) {
    el = document.getElementById('heat-card').content.firstElementChild.cloneNode(true);
    el.id = 'heat-' + h.id;
  }
  el.querySelector('.event').textContent = h.event || '';
  el.querySelector('.heat-name').textContent = h.heat || '';
  const state = el.querySelector('.state');
  state.textContent = stateText(h);
  state.classList.toggle('official', h.state === 'official');
  el.querySelector('.updated').textContent = h.updated ? 'Updated ' + new Date(h.updated).toLocaleTimeString() : '';
  fillRows(el.querySelector('tbody'), h.rows);
  // A marathon has numbers, not lanes: the bib takes the lane's place.
  el.classList.toggle('no-lanes', !(h.rows || []).some(r => r.lane != null));
  return el;
}

function render(freshId) {
  const main = document.getElementById('heats');
  const order = [...heats.values()].sort((a, b) => (b.updated || '').localeCompare(a.updated || '')).slice(0, shown);
  const cards = order.map(card);
  const empty = document.getElementById('empty');
  main.replaceChildren(...(cards.length ? cards : [empty]));
  if (freshId) {
    const el = document.getElementById('heat-' + freshId);
    if (el) { el.classList.remove('fresh'); void el.offsetWidth; el.classList.add('fresh'); }
  }
}

function apply(message) {
  if (message.removed !== undefined) heats.delete(message.removed);
  else if (message.id) heats.set(message.id, message);
  render(message.id);
}

async function getJson(path) {
  const answer = await fetch(path, { cache: 'no-store' });
  if (!answer.ok) throw new Error(path + ': ' + answer.status);
  return answer.json();
}

// Everything again, as after a lost connection; pushes that come meanwhile are applied after it.
async function refresh() {
  refreshing = true;
  try {
    const list = (await getJson('api/heats')).heats.slice(0, shown);
    const full = await Promise.all(list.map(h => getJson('api/heats/' + encodeURIComponent(h.id)).catch(() => null)));
    heats.clear();
    for (const h of full) if (h) heats.set(h.id, h);
  } finally {
    refreshing = false;
    const waiting = held;
    held = [];
    render();
    waiting.forEach(apply);
  }
}

function setLive(state, text) {
  document.body.dataset.live = state;
  document.getElementById('live').textContent = text;
}

function connect() {
  const url = new URL('live', location.href);
  url.protocol = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const socket = new WebSocket(url);
  socket.onopen = async () => {
    retry = 500;
    try { await refresh(); setLive('open', 'live'); } catch (e) { setLive('error', 'offline'); socket.close(); }
  };
  socket.onmessage = event => {
    let message;
    try { message = JSON.parse(event.data); } catch (e) { return; }
    if (refreshing) held.push(message); else apply(message);
  };
  socket.onclose = () => {
    setLive('connecting', 'reconnecting');
    setTimeout(connect, retry);
    retry = Math.min(retry * 2, 10000);
  };
}

// Shown at once; kept live once the channel is open.
refresh().catch(() => setLive('error', 'offline'));
connect();
