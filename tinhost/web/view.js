// The interactive view of a drawing exported by tinhost: a plan drawn on a
// 2D canvas and a 3D view of one TIN, with a panel of layers and TINs.
// Geometry arrives as base64 typed arrays, coordinates in user units relative
// to the drawing's origin.
(function () {
  'use strict';

  const meta = JSON.parse(document.getElementById('tin-meta').textContent);
  const decoded = new Map();

  // The typed array stored as buffer number `n`, decoded once.
  function buffer(n, Type) {
    const key = n + ':' + Type.name;
    if (decoded.has(key)) return decoded.get(key);
    const text = document.getElementById('tin-buffer-' + n).textContent;
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    const array = new Type(bytes.buffer);
    decoded.set(key, array);
    return array;
  }

  const unit = meta.unit;
  const origin = meta.origin;
  const decimals = Math.min(meta.decimals, 3);
  const fmt = (v, d) => v.toLocaleString('en-US', { minimumFractionDigits: d, maximumFractionDigits: d });
  // At first the layers of the first TIN and those of no TIN show; the
  // other TINs' layers are a click away in the panel.
  const tinNames = new Set(meta.tins.map(t => t.name));
  const firstTin = meta.tins.length ? meta.tins[0].name : null;
  const layerVisible = new Map(meta.layers.map(l => [l.name, l.tin === firstTin || !tinNames.has(l.tin)]));
  const tinVisible = new Map(meta.tins.map(t => [t.name, true]));

  // ---- grid indices over items (points or triangles) ----

  // Items bucketed into a uniform grid by a rectangle each covers; `cover`
  // returns [xmin, ymin, xmax, ymax] of item i.
  class GridIndex {
    constructor(count, bounds, cover) {
      const cells = Math.max(1, Math.min(512, Math.ceil(Math.sqrt(count / 4))));
      this.n = cells;
      this.x0 = bounds[0]; this.y0 = bounds[1];
      this.cw = Math.max((bounds[2] - bounds[0]) / cells, 1e-9);
      this.ch = Math.max((bounds[3] - bounds[1]) / cells, 1e-9);
      const counts = new Uint32Array(cells * cells + 1);
      const box = [0, 0, 0, 0];
      const visit = (i, f) => {
        cover(i, box);
        const c0 = this.col(box[0]), c1 = this.col(box[2]), r0 = this.row(box[1]), r1 = this.row(box[3]);
        for (let r = r0; r <= r1; ++r) for (let c = c0; c <= c1; ++c) f(r * cells + c);
      };
      for (let i = 0; i < count; ++i) visit(i, cell => ++counts[cell + 1]);
      for (let k = 1; k < counts.length; ++k) counts[k] += counts[k - 1];
      const fill = counts.slice(0, cells * cells);
      this.start = counts;
      this.items = new Uint32Array(counts[cells * cells]);
      for (let i = 0; i < count; ++i) visit(i, cell => { this.items[fill[cell]++] = i; });
    }
    col(x) { return Math.max(0, Math.min(this.n - 1, Math.floor((x - this.x0) / this.cw))); }
    row(y) { return Math.max(0, Math.min(this.n - 1, Math.floor((y - this.y0) / this.ch))); }
    // Calls f(item) for the items of the cells meeting the rectangle.
    query(x0, y0, x1, y1, f) {
      const c0 = this.col(x0), c1 = this.col(x1), r0 = this.row(y0), r1 = this.row(y1);
      for (let r = r0; r <= r1; ++r)
        for (let c = c0; c <= c1; ++c) {
          const cell = r * this.n + c;
          for (let k = this.start[cell]; k < this.start[cell + 1]; ++k) f(this.items[k]);
        }
    }
    countIn(x0, y0, x1, y1) {
      const c0 = this.col(x0), c1 = this.col(x1), r0 = this.row(y0), r1 = this.row(y1);
      let n = 0;
      for (let r = r0; r <= r1; ++r) n += this.start[r * this.n + c1 + 1] - this.start[r * this.n + c0];
      return n;
    }
  }

  // ---- the TINs: surfaces sampled by their planes ----

  class Surface {
    constructor(t) {
      this.t = t;
      this.xyz = buffer(t.vertices, Float32Array);
      this.tri = buffer(t.triangles, Uint32Array);
      this.count = this.tri.length / 3;
      let b = [Infinity, Infinity, -Infinity, -Infinity];
      for (let i = 0; i < this.xyz.length; i += 3) {
        b[0] = Math.min(b[0], this.xyz[i]); b[1] = Math.min(b[1], this.xyz[i + 1]);
        b[2] = Math.max(b[2], this.xyz[i]); b[3] = Math.max(b[3], this.xyz[i + 1]);
      }
      this.bounds = b;
    }
    corner(i, k, axis) { return this.xyz[3 * this.tri[3 * i + k] + axis]; }
    coverOf(i, box) {
      const x0 = this.corner(i, 0, 0), x1 = this.corner(i, 1, 0), x2 = this.corner(i, 2, 0);
      const y0 = this.corner(i, 0, 1), y1 = this.corner(i, 1, 1), y2 = this.corner(i, 2, 1);
      box[0] = Math.min(x0, x1, x2); box[1] = Math.min(y0, y1, y2);
      box[2] = Math.max(x0, x1, x2); box[3] = Math.max(y0, y1, y2);
    }
    // Triangles by the cells their extent meets: for sampling and drawing.
    get coverIndex() {
      if (!this._cover) this._cover = new GridIndex(this.count, this.bounds, (i, box) => this.coverOf(i, box));
      return this._cover;
    }
    // The elevation at (x, y) on the plane of the triangle holding it, or null
    // outside the surface.
    elevationAt(x, y) {
      let found = null;
      const eps = 1e-9 * Math.max(1, Math.abs(x), Math.abs(y));
      this.coverIndex.query(x, y, x, y, i => {
        if (found !== null) return;
        const ax = this.corner(i, 0, 0), ay = this.corner(i, 0, 1), az = this.corner(i, 0, 2);
        const bx = this.corner(i, 1, 0), by = this.corner(i, 1, 1), bz = this.corner(i, 1, 2);
        const cx = this.corner(i, 2, 0), cy = this.corner(i, 2, 1), cz = this.corner(i, 2, 2);
        const d = (by - cy) * (ax - cx) + (cx - bx) * (ay - cy);
        if (d === 0) return;
        const l1 = ((by - cy) * (x - cx) + (cx - bx) * (y - cy)) / d;
        const l2 = ((cy - ay) * (x - cx) + (ax - cx) * (y - cy)) / d;
        const l3 = 1 - l1 - l2;
        if (l1 < -eps || l2 < -eps || l3 < -eps) return;
        found = l1 * az + l2 * bz + l3 * cz;
      });
      return found;
    }
  }

  const surfaces = meta.tins.map(t => new Surface(t));
  const layerOf = name => meta.layers.find(l => l.name === name);

  // A TIN's triangles show in the plan when a visible layer of it carries
  // its drawn 2D or 3D triangles.
  function trianglesShown(s) {
    if (!tinVisible.get(s.t.name)) return false;
    return meta.layers.some(l => layerVisible.get(l.name) && l.tin === s.t.name && (l.triangles2D || l.triangles3D));
  }

  // ---- plan view ----

  const plan = {
    canvas: document.getElementById('plan'),
    scale: 1, cx: 0, cy: 0, width: 1, height: 1, dpr: window.devicePixelRatio || 1,
    paths: new Map(),
    frame: 0,
  };
  const kMaxTriangles = 150000;
  const lineStyles = {
    line2d: { color: '#555', width: 1 },
    contour: { color: '#a0632f', width: 0.8 },
    index: { color: '#6b3a12', width: 2.0 },
    hull: { color: '#1f5fbf', width: 2.0 },
    line3d: { color: '#c0181d', width: 1.6 },
  };
  const lineOrder = ['line2d', 'contour', 'index', 'line3d', 'hull'];

  function drawingBounds() {
    const b = [Infinity, Infinity, -Infinity, -Infinity];
    const grow = (x, y) => {
      b[0] = Math.min(b[0], x); b[1] = Math.min(b[1], y); b[2] = Math.max(b[2], x); b[3] = Math.max(b[3], y);
    };
    for (const s of surfaces) { grow(s.bounds[0], s.bounds[1]); grow(s.bounds[2], s.bounds[3]); }
    for (const l of meta.layers) {
      if (l.points !== undefined) {
        const p = buffer(l.points, Float32Array);
        for (let i = 0; i < p.length; i += 3) grow(p[i], p[i + 1]);
      }
      for (const g of l.lines) {
        const xy = buffer(g.xy, Float32Array);
        for (let i = 0; i < xy.length; i += 2) grow(xy[i], xy[i + 1]);
      }
    }
    return b[0] <= b[2] ? b : [-1, -1, 1, 1];
  }

  // Each line's extent, computed once: lines outside the view are passed over.
  function lineBoxes(g) {
    if (plan.paths.has(g)) return plan.paths.get(g);
    const xy = buffer(g.xy, Float32Array), starts = buffer(g.starts, Uint32Array);
    const boxes = new Float32Array(4 * (starts.length - 1));
    for (let k = 0; k + 1 < starts.length; ++k) {
      let x0 = Infinity, y0 = Infinity, x1 = -Infinity, y1 = -Infinity;
      for (let i = starts[k]; i < starts[k + 1]; ++i) {
        const x = xy[2 * i], y = xy[2 * i + 1];
        if (x < x0) x0 = x; if (x > x1) x1 = x; if (y < y0) y0 = y; if (y > y1) y1 = y;
      }
      boxes.set([x0, y0, x1, y1], 4 * k);
    }
    plan.paths.set(g, boxes);
    return boxes;
  }

  // The lines of a group in view, in screen coordinates, leaving out the
  // vertices less than a pixel from the last one kept: a zoomed-out view of
  // a large drawing strokes what it can show, not every vertex.
  function linePath(g, r) {
    const xy = buffer(g.xy, Float32Array), starts = buffer(g.starts, Uint32Array), boxes = lineBoxes(g);
    const path = new Path2D();
    for (let k = 0; k + 1 < starts.length; ++k) {
      if (boxes[4 * k] > r[2] || boxes[4 * k + 2] < r[0] || boxes[4 * k + 1] > r[3] || boxes[4 * k + 3] < r[1]) continue;
      let i = starts[k];
      let lx = toScreenX(xy[2 * i]), ly = toScreenY(xy[2 * i + 1]);
      path.moveTo(lx, ly);
      const last = starts[k + 1] - 1;
      for (++i; i <= last; ++i) {
        const x = toScreenX(xy[2 * i]), y = toScreenY(xy[2 * i + 1]);
        if (i < last && Math.abs(x - lx) + Math.abs(y - ly) < 1) continue;
        path.lineTo(x, y);
        lx = x; ly = y;
      }
    }
    return path;
  }

  const toScreenX = x => (x - plan.cx) * plan.scale + plan.width / 2;
  const toScreenY = y => plan.height / 2 - (y - plan.cy) * plan.scale;
  const toDataX = sx => (sx - plan.width / 2) / plan.scale + plan.cx;
  const toDataY = sy => plan.cy - (sy - plan.height / 2) / plan.scale;
  function viewRect() {
    return [toDataX(0), toDataY(plan.height), toDataX(plan.width), toDataY(0)];
  }

  // Triangles in view, as a wireframe; none (and a note) when too many.
  function drawTriangles(ctx, s, r, notes) {
    const index = s.coverIndex;
    if (index.countIn(r[0], r[1], r[2], r[3]) > kMaxTriangles) {
      notes.push(s.t.name + ': zoom in to see its triangles');
      return;
    }
    // A triangle over several cells is met once per cell: drawn once.
    if (!s.drawn) s.drawn = new Uint32Array(s.count);
    const frame = ++plan.frame;
    const path = new Path2D();
    index.query(r[0], r[1], r[2], r[3], i => {
      if (s.drawn[i] === frame) return;
      s.drawn[i] = frame;
      path.moveTo(toScreenX(s.corner(i, 0, 0)), toScreenY(s.corner(i, 0, 1)));
      path.lineTo(toScreenX(s.corner(i, 1, 0)), toScreenY(s.corner(i, 1, 1)));
      path.lineTo(toScreenX(s.corner(i, 2, 0)), toScreenY(s.corner(i, 2, 1)));
      path.closePath();
    });
    ctx.strokeStyle = '#9aa7b4';
    ctx.lineWidth = 0.6;
    ctx.stroke(path);
  }

  // Survey points in view, set as pixels of a layer laid over the lines:
  // a million points cost a loop, not a million drawing calls.  Of more
  // than kThinFrom points, where they lie closer than kPointSpacing pixels,
  // one per cell of that size shows.
  const kPointSpacing = 4, kThinFrom = 20000;
  function drawPoints(ctx, layers, notes) {
    const w = plan.canvas.width, h = plan.canvas.height, d = plan.dpr;
    if (!plan.dots || plan.dots.width !== w || plan.dots.height !== h) {
      plan.dots = document.createElement('canvas');
      plan.dots.width = w; plan.dots.height = h;
    }
    const dctx = plan.dots.getContext('2d');
    const image = dctx.createImageData(w, h);
    const px = new Uint32Array(image.data.buffer);
    const size = Math.round((plan.scale > 2 ? 3 : 2) * d), ink = 0xff111111;
    const total = layers.reduce((n, l) => n + l.pointCount, 0);
    const cell = (total > kThinFrom ? kPointSpacing : 1) * d, cols = Math.ceil(w / cell);
    const taken = new Uint8Array(cols * Math.ceil(h / cell));
    let thinned = 0;
    for (const l of layers) {
      const p = buffer(l.points, Float32Array);
      for (let i = 0; i < p.length; i += 3) {
        const x = Math.round(toScreenX(p[i]) * d) - 1, y = Math.round(toScreenY(p[i + 1]) * d) - 1;
        if (x < 0 || y < 0 || x + size > w || y + size > h) continue;
        const c = Math.floor(y / cell) * cols + Math.floor(x / cell);
        if (taken[c] && total > kThinFrom) { ++thinned; continue; }
        taken[c] = 1;
        for (let dy = 0; dy < size; ++dy) for (let dx = 0; dx < size; ++dx) px[(y + dy) * w + x + dx] = ink;
      }
    }
    if (thinned) notes.push(fmt(thinned, 0) + ' points closer than ' + kPointSpacing + ' px not shown');
    dctx.putImageData(image, 0, 0);
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.drawImage(plan.dots, 0, 0);
    ctx.setTransform(d, 0, 0, d, 0, 0);
  }

  function drawTexts(ctx, l) {
    ctx.textAlign = 'center';
    ctx.textBaseline = 'middle';
    ctx.lineJoin = 'round';
    for (const t of l.texts) {
      // Texts stay readable when zoomed out; past the limit they grow no more.
      const px = Math.max(t.h * plan.scale, 11);
      ctx.font = Math.min(px, 40) + 'px sans-serif';
      const x = toScreenX(t.x), y = toScreenY(t.y);
      const rows = t.s.split(/\r\n|\r|\n/);
      rows.forEach((row, k) => {
        const ry = y + (k - (rows.length - 1) / 2) * px;
        ctx.strokeStyle = 'rgba(255,255,255,0.9)';
        ctx.lineWidth = 3;
        ctx.strokeText(row, x, ry);
        ctx.fillStyle = t.label ? '#6b3a12' : '#222';
        ctx.fillText(row, x, ry);
      });
    }
  }

  function drawPlan() {
    const ctx = plan.canvas.getContext('2d');
    const d = plan.dpr;
    ctx.setTransform(d, 0, 0, d, 0, 0);
    ctx.fillStyle = '#fff';
    ctx.fillRect(0, 0, plan.width, plan.height);
    const r = viewRect();
    const notes = [];
    ctx.lineJoin = 'round';
    const started = performance.now();
    for (const s of surfaces) if (trianglesShown(s)) drawTriangles(ctx, s, r, notes);
    plan.parts = { triangles: Math.round(performance.now() - started) };
    for (const kind of lineOrder)
      for (const l of meta.layers) {
        if (!layerVisible.get(l.name)) continue;
        for (const g of l.lines) {
          if (g.kind !== kind) continue;
          ctx.strokeStyle = lineStyles[kind].color;
          ctx.lineWidth = lineStyles[kind].width;
          ctx.stroke(linePath(g, r));
        }
      }
    plan.parts.lines = Math.round(performance.now() - started);
    drawPoints(ctx, meta.layers.filter(l => layerVisible.get(l.name) && l.points !== undefined), notes);
    plan.parts.points = Math.round(performance.now() - started);
    for (const l of meta.layers) if (layerVisible.get(l.name)) drawTexts(ctx, l);
    document.getElementById('plan-note').textContent = notes.join(' · ');
    drawScaleBar();
  }

  function drawScaleBar() {
    const target = 120 / plan.scale;  // about 120 px
    const step = Math.pow(10, Math.floor(Math.log10(target)));
    const length = [1, 2, 5, 10].map(m => m * step).filter(v => v <= target).pop() || step;
    document.getElementById('scalebar-bar').style.width = (length * plan.scale) + 'px';
    document.getElementById('scalebar-text').textContent = fmt(length, length < 1 ? 2 : 0) + ' ' + unit;
  }

  let planPending = false;
  function requestPlan() {
    if (planPending) return;
    planPending = true;
    requestAnimationFrame(() => { planPending = false; drawPlan(); });
  }

  function sizePlan() {
    const box = plan.canvas.getBoundingClientRect();
    plan.width = Math.max(1, box.width); plan.height = Math.max(1, box.height);
    plan.canvas.width = Math.round(plan.width * plan.dpr);
    plan.canvas.height = Math.round(plan.height * plan.dpr);
  }

  function fitPlan() {
    const b = drawingBounds();
    plan.cx = (b[0] + b[2]) / 2; plan.cy = (b[1] + b[3]) / 2;
    plan.scale = 0.92 * Math.min(plan.width / Math.max(b[2] - b[0], 1e-6), plan.height / Math.max(b[3] - b[1], 1e-6));
  }

  // The position under the mouse and each visible TIN's elevation there.
  function showReadout(sx, sy) {
    const x = toDataX(sx), y = toDataY(sy);
    const out = document.getElementById('readout');
    out.textContent = '';
    const pos = document.createElement('span');
    pos.className = 'position';
    pos.textContent = 'x ' + fmt(origin[0] + x, decimals) + '  y ' + fmt(origin[1] + y, decimals) + ' ' + unit;
    out.appendChild(pos);
    for (const s of surfaces) {
      if (!tinVisible.get(s.t.name)) continue;
      const z = s.elevationAt(x, y);
      if (z === null) continue;
      const e = document.createElement('span');
      e.className = 'elevation';
      e.dataset.tin = s.t.name;
      e.dataset.z = z.toFixed(decimals);
      e.textContent = ' · ' + s.t.name + ': z ' + fmt(z, decimals) + ' ' + unit;
      out.appendChild(e);
    }
  }

  function wirePlan() {
    const c = plan.canvas;
    let drag = null;
    c.addEventListener('mousedown', e => { drag = { x: e.clientX, y: e.clientY }; e.preventDefault(); });
    window.addEventListener('mouseup', () => { drag = null; });
    c.addEventListener('mousemove', e => {
      const box = c.getBoundingClientRect();
      if (drag) {
        plan.cx -= (e.clientX - drag.x) / plan.scale;
        plan.cy += (e.clientY - drag.y) / plan.scale;
        drag = { x: e.clientX, y: e.clientY };
        requestPlan();
      }
      showReadout(e.clientX - box.left, e.clientY - box.top);
    });
    c.addEventListener('wheel', e => {
      e.preventDefault();
      const box = c.getBoundingClientRect();
      const sx = e.clientX - box.left, sy = e.clientY - box.top;
      const x = toDataX(sx), y = toDataY(sy);
      plan.scale *= Math.exp(-e.deltaY * 0.0015);
      plan.cx = x - (sx - plan.width / 2) / plan.scale;  // the point under the mouse stays put
      plan.cy = y + (sy - plan.height / 2) / plan.scale;
      requestPlan();
    }, { passive: false });
    c.addEventListener('dblclick', () => { fitPlan(); requestPlan(); });
  }

  // ---- 3D view ----

  const view3d = { ok: false, meshes: new Map(), current: null };
  const ramp = [[0, [0.17, 0.42, 0.24]], [0.3, [0.47, 0.68, 0.33]], [0.55, [0.93, 0.86, 0.5]],
                [0.8, [0.7, 0.48, 0.29]], [1, [0.96, 0.96, 0.96]]];
  function rampColor(f, out) {
    f = Math.max(0, Math.min(1, f));
    for (let k = 1; k < ramp.length; ++k)
      if (f <= ramp[k][0]) {
        const [f0, c0] = ramp[k - 1], [f1, c1] = ramp[k];
        const u = (f - f0) / (f1 - f0 || 1);
        for (let i = 0; i < 3; ++i) out[i] = c0[i] + (c1[i] - c0[i]) * u;
        return out;
      }
    return out;
  }

  // A TIN of more triangles than this is shown while the camera moves (and
  // until the full surface is made) by a coarser copy of itself.
  const kCoarseFrom = 300000, kCoarseCells = 300;

  // The surface's vertices merged cell by cell on a kCoarseCells grid: each
  // vertex replaced by the first of its cell, triangles left with fewer than
  // three corners dropped.
  function coarseCopy(s) {
    const b = s.bounds, n = s.xyz.length / 3;
    const cw = Math.max((b[2] - b[0]) / kCoarseCells, 1e-9), ch = Math.max((b[3] - b[1]) / kCoarseCells, 1e-9);
    const first = new Int32Array((kCoarseCells + 1) * (kCoarseCells + 1)).fill(-1);
    const map = new Uint32Array(n), kept = [];
    for (let i = 0; i < n; ++i) {
      const cell = Math.floor((s.xyz[3 * i + 1] - b[1]) / ch) * (kCoarseCells + 1) + Math.floor((s.xyz[3 * i] - b[0]) / cw);
      if (first[cell] < 0) { first[cell] = kept.length; kept.push(i); }
      map[i] = first[cell];
    }
    const xyz = new Float32Array(3 * kept.length);
    kept.forEach((v, k) => xyz.set(s.xyz.subarray(3 * v, 3 * v + 3), 3 * k));
    const tri = [];
    for (let i = 0; i < s.tri.length; i += 3) {
      const a = map[s.tri[i]], c = map[s.tri[i + 1]], d = map[s.tri[i + 2]];
      if (a !== c && c !== d && a !== d) tri.push(a, c, d);
    }
    return { xyz, tri: new Uint32Array(tri) };
  }

  // A mesh of the vertices `xyz` and triangles `tri`, shifted by `shift`,
  // coloured by elevation over the TIN's range.
  function surfaceMesh(xyz, tri, t, shift) {
    const n = xyz.length / 3, span = Math.max(t.zMax - t.zMin, 1e-9);
    const pos = new Float32Array(3 * n), col = new Float32Array(3 * n), c = [0, 0, 0];
    for (let i = 0; i < n; ++i) {
      for (let a = 0; a < 3; ++a) pos[3 * i + a] = xyz[3 * i + a] - shift[a];
      rampColor((xyz[3 * i + 2] - t.zMin) / span, c);
      col[3 * i] = c[0]; col[3 * i + 1] = c[1]; col[3 * i + 2] = c[2];
    }
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.BufferAttribute(pos, 3));
    geometry.setAttribute('color', new THREE.BufferAttribute(col, 3));
    geometry.setIndex(new THREE.BufferAttribute(tri, 1));
    geometry.computeVertexNormals();
    const material = new THREE.MeshLambertMaterial({ vertexColors: THREE.VertexColors, side: THREE.DoubleSide,
                                                      polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 });
    return new THREE.Mesh(geometry, material);
  }

  // The TIN's group: its surface (a coarse copy first when it is large, the
  // full surface made a moment later) and its breaklines.
  function buildMesh(s) {
    const t = s.t;
    const shift = [(s.bounds[0] + s.bounds[2]) / 2, (s.bounds[1] + s.bounds[3]) / 2, t.zMin];
    const group = new THREE.Group();
    group.userData = { size: Math.max(s.bounds[2] - s.bounds[0], s.bounds[3] - s.bounds[1], 1e-6),
                       span: Math.max(t.zMax - t.zMin, 1e-9) };
    const makeFull = () => {
      group.userData.full = surfaceMesh(s.xyz, s.tri, t, shift);
      group.add(group.userData.full);
      if (group.userData.coarse) group.userData.coarse.visible = false;
    };
    if (s.count > kCoarseFrom) {
      const coarse = coarseCopy(s);
      group.userData.coarse = surfaceMesh(coarse.xyz, coarse.tri, t, shift);
      group.add(group.userData.coarse);
      setTimeout(() => { makeFull(); render3d(); }, 0);
    } else {
      makeFull();
    }
    if (t.breaklines) group.add(breaklineSegments(t, shift[0], shift[1], shift[2]));
    return group;
  }

  // While the camera moves a large surface shows its coarse copy.
  function setMoving(moving) {
    const u = view3d.current ? view3d.current.userData : null;
    if (!u || !u.coarse || !u.full) return;
    u.coarse.visible = moving;
    u.full.visible = !moving;
    if (!moving) render3d();
  }

  function breaklineSegments(t, cx, cy, z0) {
    const xyz = buffer(t.breaklines.xyz, Float32Array), starts = buffer(t.breaklines.starts, Uint32Array);
    const seg = [];
    for (let k = 0; k + 1 < starts.length; ++k)
      for (let i = starts[k]; i + 1 < starts[k + 1]; ++i)
        for (const j of [i, i + 1]) seg.push(xyz[3 * j] - cx, xyz[3 * j + 1] - cy, xyz[3 * j + 2] - z0);
    const g = new THREE.BufferGeometry();
    g.setAttribute('position', new THREE.BufferAttribute(new Float32Array(seg), 3));
    return new THREE.LineSegments(g, new THREE.LineBasicMaterial({ color: 0xd01818 }));
  }

  function render3d() { if (view3d.ok) view3d.renderer.render(view3d.scene, view3d.camera); }

  function showLegend(t) {
    const canvas = document.getElementById('legend-ramp');
    const ctx = canvas.getContext('2d');
    const c = [0, 0, 0];
    for (let y = 0; y < canvas.height; ++y) {
      rampColor(1 - y / (canvas.height - 1), c);
      ctx.fillStyle = 'rgb(' + c.map(v => Math.round(v * 255)).join(',') + ')';
      ctx.fillRect(0, y, canvas.width, 1);
    }
    const labels = document.getElementById('legend-labels');
    labels.textContent = '';
    for (let k = 0; k <= 4; ++k) {
      const span = document.createElement('span');
      span.style.top = (k / 4 * 100) + '%';
      span.textContent = fmt(t.zMax - (t.zMax - t.zMin) * k / 4, 1) + ' ' + unit;
      labels.appendChild(span);
    }
  }

  // Shows TIN number k in the 3D view, its camera looking from the south-west.
  function showSurface(k) {
    if (!view3d.ok) return;
    if (view3d.current) view3d.scene.remove(view3d.current);
    view3d.current = null;
    const s = surfaces[k];
    if (!s || !tinVisible.get(s.t.name)) {
      document.getElementById('surface-note').textContent = s ? s.t.name + ' is hidden' : 'no TIN in this drawing';
      render3d();
      return;
    }
    if (!view3d.meshes.has(k)) view3d.meshes.set(k, buildMesh(s));
    const group = view3d.meshes.get(k);
    group.scale.z = view3d.exaggeration;
    view3d.scene.add(group);
    view3d.current = group;
    const r = group.userData.size, camera = view3d.camera;
    // Far enough back for the whole surface to fit the narrower angle of view.
    const half = Math.atan(Math.tan(camera.fov * Math.PI / 360) * Math.min(1, camera.aspect));
    const distance = 0.8 * r / Math.tan(half);
    camera.near = r / 1000; camera.far = r * 50;
    const z = group.userData.span * view3d.exaggeration / 2;
    camera.position.set(-0.45 * distance, -0.68 * distance, 0.58 * distance + z);
    view3d.controls.target.set(0, 0, z);
    view3d.camera.updateProjectionMatrix();
    view3d.controls.update();
    showLegend(s.t);
    document.getElementById('surface-note').textContent =
      fmt(s.t.triangleCount, 0) + ' triangles' + (s.t.breaklines ? ', breaklines in red' : '');
    render3d();
  }

  function init3d() {
    const host = document.getElementById('surface');
    const select = document.getElementById('surface-tin');
    meta.tins.forEach((t, k) => select.add(new Option(t.name, String(k))));
    if (typeof THREE === 'undefined') {
      document.getElementById('surface-note').textContent = 'the 3D library is missing';
      return;
    }
    const box = host.getBoundingClientRect();
    const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    renderer.setPixelRatio(window.devicePixelRatio || 1);
    renderer.setSize(Math.max(1, box.width), Math.max(1, box.height));
    renderer.setClearColor(0x20242a);
    host.appendChild(renderer.domElement);
    const scene = new THREE.Scene();
    scene.add(new THREE.AmbientLight(0xffffff, 0.45));
    const sun = new THREE.DirectionalLight(0xffffff, 0.75);
    sun.position.set(-1, 1, 1.5);
    scene.add(sun);
    const camera = new THREE.PerspectiveCamera(40, Math.max(1, box.width) / Math.max(1, box.height), 0.1, 1e7);
    camera.up.set(0, 0, 1);
    const controls = new THREE.OrbitControls(camera, renderer.domElement);
    controls.addEventListener('change', render3d);
    controls.addEventListener('start', () => setMoving(true));
    controls.addEventListener('end', () => setMoving(false));
    Object.assign(view3d, { ok: true, renderer, scene, camera, controls, exaggeration: 1 });
    const slider = document.getElementById('exaggeration');
    const setExaggeration = v => {
      view3d.exaggeration = v;
      slider.value = String(v);
      document.getElementById('exaggeration-value').textContent = String(v);
      if (view3d.current) view3d.current.scale.z = v;
    };
    select.addEventListener('change', () => showSurface(Number(select.value)));
    slider.addEventListener('input', () => { setExaggeration(Number(slider.value)); render3d(); });
    // Relief made about a sixth of the surface's width, at most 10 times.
    if (surfaces.length) {
      const t = surfaces[0].t, b = surfaces[0].bounds;
      const relief = Math.max(b[2] - b[0], b[3] - b[1]) / 6 / Math.max(t.zMax - t.zMin, 1e-9);
      setExaggeration(Math.max(1, Math.min(10, Math.round(relief))));
    }
    showSurface(0);
  }

  function resize() {
    sizePlan();
    drawPlan();
    if (view3d.ok) {
      const box = document.getElementById('surface').getBoundingClientRect();
      view3d.renderer.setSize(Math.max(1, box.width), Math.max(1, box.height));
      view3d.camera.aspect = Math.max(1, box.width) / Math.max(1, box.height);
      view3d.camera.updateProjectionMatrix();
      render3d();
    }
  }

  // ---- the panel ----

  // The TIN's figures: counts and range from its triangles; area, cut and
  // fill as the plug-in reported them, or why they are not known.
  function figureRows(t) {
    const f = t.figures || {};
    const p = t.params || {};
    const num = (v, d, suffix) => (v === undefined || v === null ? null : fmt(v, d) + (suffix || ''));
    const u = ' ' + unit, area = ' sq ' + unit, volume = ' cu ' + unit;
    return [
      ['points', num(t.vertexCount, 0)],
      ['triangles', num(t.triangleCount, 0)],
      ['area', num(f.area, 2, area)],
      ['elevation', fmt(t.zMin, decimals) + ' to ' + fmt(t.zMax, decimals) + u],
      ['datum', num(p.datumElev, decimals, u)],
      ['cut', num(f.cut, 2, volume)],
      ['fill', num(f.fill, 2, volume)],
      ['net (cut - fill)', f.cut === undefined ? null : num(f.cut - f.fill, 2, volume)],
      ['contour interval', num(p.contourInterval, decimals, u)],
      ['index contour every', p.indexContourEvery ? String(p.indexContourEvery) : null],
      ['breaklines', p.useBreaklines === undefined ? null : p.useBreaklines ? 'used' : 'not used'],
      ['read from', t.source === 'stored' ? 'the stored TIN' : 'its drawn triangles'],
    ];
  }

  function buildPanel() {
    document.getElementById('title').textContent = meta.title;
    document.getElementById('place').textContent =
      meta.crs + ', ' + unit + '; origin ' + fmt(origin[0], decimals) + ', ' + fmt(origin[1], decimals);
    const list = document.getElementById('layers');
    for (const l of meta.layers) {
      const li = document.createElement('li');
      const label = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox'; box.checked = layerVisible.get(l.name); box.dataset.layer = l.name;
      box.addEventListener('change', () => { layerVisible.set(l.name, box.checked); requestPlan(); });
      const what = [];
      if (l.pointCount) what.push(fmt(l.pointCount, 0) + ' points');
      const lines = l.lines.reduce((n, g) => n + g.count, 0);
      if (lines) what.push(fmt(lines, 0) + ' lines');
      if (l.triangles2D || l.triangles3D) what.push('triangles');
      if (l.texts.length) what.push(l.texts.length + ' texts');
      label.append(box, ' ' + l.name + ' ');
      const count = document.createElement('span');
      count.className = 'count';
      count.textContent = what.join(', ');
      label.appendChild(count);
      li.appendChild(label);
      list.appendChild(li);
    }
    const tins = document.getElementById('tins');
    meta.tins.forEach((t, k) => {
      const div = document.createElement('div');
      div.className = 'tin';
      const h = document.createElement('h3');
      const box = document.createElement('input');
      box.type = 'checkbox'; box.checked = true; box.dataset.tin = t.name;
      box.addEventListener('change', () => {
        tinVisible.set(t.name, box.checked);
        requestPlan();
        if (Number(document.getElementById('surface-tin').value) === k) showSurface(k);
      });
      h.append(box, ' ' + t.name + (t.difference ? ' (difference)' : ''));
      div.appendChild(h);
      const table = document.createElement('table');
      for (const [name, value] of figureRows(t)) {
        const tr = table.insertRow();
        tr.insertCell().textContent = name;
        const cell = tr.insertCell();
        cell.textContent = value === null ? 'not known' : value;
        cell.dataset.figure = name;
        if (value === null) cell.className = 'missing';
      }
      div.appendChild(table);
      if (t.figures && t.figures.why) {
        const why = document.createElement('p');
        why.className = 'missing';
        why.textContent = 'Area, cut and fill not known: ' + t.figures.why;
        div.appendChild(why);
      }
      tins.appendChild(div);
    });
  }

  // ---- the tests' hook: view.html#test&hover=X,Y&toggle=LAYER ----
  // Drives the page through the same handlers as the mouse and writes what
  // it saw into #test-results.

  function ink(canvas, background) {
    const ctx = canvas.getContext('2d');
    const data = ctx.getImageData(0, 0, canvas.width, canvas.height).data;
    let n = 0;
    for (let i = 0; i < data.length; i += 4)
      if (Math.abs(data[i] - background[0]) + Math.abs(data[i + 1] - background[1]) + Math.abs(data[i + 2] - background[2]) > 24) ++n;
    return n;
  }

  function ink3d() {
    if (!view3d.ok) return 0;
    render3d();
    const gl = view3d.renderer.getContext();
    const w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
    const data = new Uint8Array(w * h * 4);
    gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, data);
    let n = 0;
    for (let i = 0; i < data.length; i += 4)
      if (Math.abs(data[i] - 0x20) + Math.abs(data[i + 1] - 0x24) + Math.abs(data[i + 2] - 0x2a) > 24) ++n;
    return n;
  }

  // Milliseconds per call of `draw`, over a few calls.
  function timeOf(draw) {
    const start = performance.now();
    for (let k = 0; k < 3; ++k) draw();
    return Math.round((performance.now() - start) / 3);
  }

  function runTestHook(params) {
    const result = { planInk: 0, surfaceInk: ink3d(), webgl: view3d.ok, openMs: Math.round(openedAt), steps };
    if (params.has('timing')) {
      result.planDrawMs = timeOf(drawPlan);
      result.planParts = plan.parts;
      result.surfaceDrawMs = timeOf(ink3d);  // the read back waits for the frame
    }
    result.figures = {};
    for (const cell of document.querySelectorAll('#tins td[data-figure]')) {
      const tin = cell.closest('.tin').querySelector('input').dataset.tin;
      (result.figures[tin] = result.figures[tin] || {})[cell.dataset.figure] = cell.textContent;
    }
    drawPlan();
    result.planInk = ink(plan.canvas, [255, 255, 255]);
    const toggle = params.get('toggle');
    if (toggle) {
      const box = document.querySelector('input[data-layer="' + CSS.escape(toggle) + '"]');
      result.toggle = { found: !!box };
      if (box) {
        box.click();
        drawPlan();
        result.toggle.planInkAfter = ink(plan.canvas, [255, 255, 255]);
      }
    }
    // hover=X,Y;X,Y...: each point in real coordinates, zoomed in on first
    // as a person would to point at it.
    result.hover = (params.get('hover') || '').split(';').filter(Boolean).map(text => {
      const [x, y] = text.split(',').map(Number);
      plan.cx = x - origin[0]; plan.cy = y - origin[1];
      plan.scale = Math.max(plan.scale, 5000);
      drawPlan();
      const box = plan.canvas.getBoundingClientRect();
      plan.canvas.dispatchEvent(new MouseEvent('mousemove', { bubbles: true,
        clientX: box.left + toScreenX(x - origin[0]), clientY: box.top + toScreenY(y - origin[1]) }));
      const readout = document.getElementById('readout');
      const seen = { text: readout.textContent, elevations: {} };
      for (const e of readout.querySelectorAll('.elevation')) seen.elevations[e.dataset.tin] = Number(e.dataset.z);
      return seen;
    });
    result.errors = window.tinPageErrors.slice();
    const out = document.getElementById('test-results');
    out.textContent = JSON.stringify(result);
  }

  // When each step of the opening ended, in ms from the page's start.
  const steps = {};
  const step = (name, f) => { f(); steps[name] = Math.round(performance.now()); };
  step('panel', buildPanel);
  step('plan', () => { sizePlan(); fitPlan(); wirePlan(); drawPlan(); });
  step('surface', init3d);
  const openedAt = performance.now();
  window.addEventListener('resize', resize);
  const hash = new URLSearchParams(location.hash.replace(/^#/, ''));
  if (hash.has('test')) runTestHook(hash);
})();
