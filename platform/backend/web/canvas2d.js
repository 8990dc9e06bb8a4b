// Canvas 2D side of the web drawing context (linked with --js-library).
//
// Every surface is a canvas (the page's own, or an offscreen one) with its
// 2D context, addressed by a small integer handle. The C++ side keeps the
// graphics state and sends only what changed, so each call here maps onto
// one or a few canvas operations. Coordinates are CSS pixels (points); the
// canvas transform carries the device pixel ratio.

mergeInto(LibraryManager.library, {
  $SC: {
    surfaces: [null],
    images: [null],
    freeSurfaces: [],
    freeImages: [],
    makeCanvas: function(w, h) {
      if (typeof OffscreenCanvas !== 'undefined') {
        return new OffscreenCanvas(w, h);
      }
      var c = document.createElement('canvas');
      c.width = w;
      c.height = h;
      return c;
    },
    // Sizes the backing store to cssW x cssH points at dpr and resets the
    // context to the state the C++ side assumes for a fresh surface.
    setup: function(s, cssW, cssH, dpr) {
      var c = s.canvas, w = Math.max(1, Math.round(cssW * dpr)), h = Math.max(1, Math.round(cssH * dpr));
      if (c.width === w && c.height === h && s.ctx.reset) {
        // A new backing store of the same size costs far more than a clear.
        s.ctx.reset();
      } else {
        c.width = w;
        c.height = h;
      }
      if (s.onscreen) {
        c.style.width = cssW + 'px';
        c.style.height = cssH + 'px';
      }
      s.cssW = cssW;
      s.cssH = cssH;
      s.dpr = dpr;
      s.textK = 1;
      var g = s.ctx;
      g.setTransform(dpr, 0, 0, dpr, 0, 0);
      s.tf = [dpr, 0, 0, dpr, 0, 0];
      g.fillStyle = '#000';
      g.strokeStyle = '#000';
      g.lineWidth = 1;
      g.globalAlpha = 1;
      g.lineCap = 'butt';
      g.lineJoin = 'miter';
      g.textBaseline = 'alphabetic';
      g.textAlign = 'left';
    },
    // Disc stamps: device-pixel size limit, sub-pixel phases per axis.
    maxStamp: 24,
    phases: 4,
    discs: null,
    discCount: 0,
    // A disc of dw x dh device pixels offset by (kx, ky) / phases, drawn
    // with one pixel of margin, in colour fill.
    // Looked up by size and colour, then by phase (no string built per dot).
    disc: function(dw, dh, kx, ky, fill) {
      var all = SC.discs || (SC.discs = new Map());
      var byFill = all.get(fill) || all.set(fill, new Map()).get(fill);
      var byWidth = byFill.get(dw) || byFill.set(dw, new Map()).get(dw);
      var phases = byWidth.get(dh) || byWidth.set(dh, []).get(dh);
      var c = phases[kx * SC.phases + ky];
      if (c) {
        return c;
      }
      if (++SC.discCount > 4096) {
        all.forEach(function(byW) {
          byW.forEach(function(byH) {
            byH.forEach(function(list) { list.forEach(SC.drop); });
          });
        });
        all.clear();
        SC.discCount = 1;
        phases = all.set(fill, new Map()).get(fill).set(dw, new Map()).get(dw).set(dh, []).get(dh);
      }
      c = SC.makeCanvas(Math.ceil(dw + 1) + 2, Math.ceil(dh + 1) + 2);
      var g = c.getContext('2d');
      g.fillStyle = fill;
      g.beginPath();
      g.ellipse(1 + kx / SC.phases + dw / 2, 1 + ky / SC.phases + dh / 2, dw / 2, dh / 2, 0, 0, 2 * Math.PI);
      g.fill();
      c = SC.freeze(c);
      phases[kx * SC.phases + ky] = c;
      return c;
    },
    // A canvas drawn once and then only copied from, as an image bitmap: a
    // canvas source is snapshotted on every drawImage, a bitmap is not.
    freeze: function(c) {
      return c.transferToImageBitmap ? c.transferToImageBitmap() : c;
    },
    // Some engines round each glyph's advance to a whole pixel at small
    // sizes (a 14 px line came out 2.4% wider); none does at this size. Where
    // a font measures otherwise than at this size scaled down, its text is
    // laid out at this size under a scale; elsewhere it is drawn as asked.
    layoutPx: 512,
    layoutProbe: 'Ra : 17h 00mn 00s  De : 31d 00\' 00" Draco Vega',
    // The scale each font's text is drawn under, by CSS font.
    textScales: null,
    setFont: function(s, css) {
      var g = s.ctx, scales = SC.textScales || (SC.textScales = new Map()), k = scales.get(css);
      if (k === undefined) {
        k = 1;
        var m = /(^|\s)([0-9.]+)px/.exec(css), px = m ? parseFloat(m[2]) : 0;
        if (px > 0 && px < SC.layoutPx) {
          g.font = css;
          var asked = g.measureText(SC.layoutProbe).width;
          g.font = css.replace(/([0-9.]+)px/, SC.layoutPx + 'px');
          var large = g.measureText(SC.layoutProbe).width * px / SC.layoutPx;
          if (Math.abs(asked - large) > 0.002 * large) {
            k = SC.layoutPx / px;
          }
        }
        scales.set(css, k);
      }
      s.textK = k;
      g.font = k === 1 ? css : css.replace(/([0-9.]+)px/, SC.layoutPx + 'px');
    },
    drop: function(b) {
      if (b.close) {
        b.close();
      }
    },
    colour: function(r, g, b, a) {
      return 'rgba(' + Math.round(r * 255) + ',' + Math.round(g * 255) + ',' + Math.round(b * 255) +
             ',' + a + ')';
    },
    // Replays the C++ path encoding onto the context's current path.
    // Ops, named as in platform/cg/DrawingOps.h: 0 MoveToPoint x y,
    // 1 AddLineToPoint x y, 2 ClosePath, 3 AddRect x y w h, 4 AddRoundedRect x y w h r.
    tracePath: function(g, p, end) {
      var F = HEAPF32;
      while (p < end) {
        var op = F[p];
        if (op === 0) {
          g.moveTo(F[p + 1], F[p + 2]);
          p += 3;
        } else if (op === 1) {
          g.lineTo(F[p + 1], F[p + 2]);
          p += 3;
        } else if (op === 2) {
          g.closePath();
          p += 1;
        } else if (op === 3) {
          g.rect(F[p + 1], F[p + 2], F[p + 3], F[p + 4]);
          p += 5;
        } else {
          var x = F[p + 1], y = F[p + 2], w = F[p + 3], h = F[p + 4];
          var r = Math.max(0, Math.min(F[p + 5], w / 2, h / 2));
          g.moveTo(x + r, y);
          g.arcTo(x + w, y, x + w, y + h, r);
          g.arcTo(x + w, y + h, x, y + h, r);
          g.arcTo(x, y + h, x, y, r);
          g.arcTo(x, y, x + w, y, r);
          g.closePath();
          p += 6;
        }
      }
    },
  },

  // selector: 0 for an offscreen surface, else a CSS selector of a <canvas>.
  sc_surface_create__deps: ['$SC'],
  sc_surface_create: function(cssW, cssH, dpr, selector) {
    var canvas, onscreen = false;
    if (selector) {
      canvas = document.querySelector(UTF8ToString(selector));
      if (!canvas || !canvas.getContext) {
        return 0;
      }
      onscreen = true;
    } else {
      canvas = SC.makeCanvas(1, 1);
    }
    var ctx = canvas.getContext('2d');
    if (!ctx) {
      return 0;
    }
    var s = {canvas: canvas, ctx: ctx, onscreen: onscreen};
    SC.setup(s, cssW, cssH, dpr);
    var h = SC.freeSurfaces.length ? SC.freeSurfaces.pop() : SC.surfaces.length;
    SC.surfaces[h] = s;
    return h;
  },

  sc_surface_resize__deps: ['$SC'],
  sc_surface_resize: function(h, cssW, cssH, dpr) {
    SC.setup(SC.surfaces[h], cssW, cssH, dpr);
  },

  // Surface h takes over the page's <canvas> matching selector as its pixels,
  // so that what it draws is what the page shows. What the page's canvas
  // shows stays until the surface draws (when the sizes agree), and the
  // surface's drawing state starts afresh.
  sc_surface_adopt__deps: ['$SC'],
  sc_surface_adopt: function(h, selector) {
    var s = SC.surfaces[h];
    var canvas = document.querySelector(UTF8ToString(selector));
    var ctx = canvas && canvas.getContext && canvas.getContext('2d');
    if (!ctx) {
      return 0;
    }
    if (!s.onscreen) {
      s.canvas.width = 0;
      s.canvas.height = 0;
    }
    var w = s.cssW, hh = s.cssH, d = s.dpr;
    s.canvas = canvas;
    s.ctx = ctx;
    s.onscreen = true;
    s.tfStack = [];
    s.textK = 1;
    if (canvas.width === Math.round(w * d) && canvas.height === Math.round(hh * d)) {
      ctx.setTransform(d, 0, 0, d, 0, 0);
      s.tf = [d, 0, 0, d, 0, 0];
      ctx.fillStyle = '#000';
      ctx.strokeStyle = '#000';
      ctx.lineWidth = 1;
      ctx.globalAlpha = 1;
    } else {
      SC.setup(s, w, hh, d);
    }
    return 1;
  },

  sc_surface_release__deps: ['$SC'],
  sc_surface_release: function(h) {
    var s = SC.surfaces[h];
    if (!s) {
      return;
    }
    if (!s.onscreen) {
      // Lets the browser drop the pixels now rather than at collection.
      s.canvas.width = 0;
      s.canvas.height = 0;
    }
    SC.surfaces[h] = null;
    SC.freeSurfaces.push(h);
  },

  sc_set_fill__deps: ['$SC'],
  sc_set_fill: function(h, r, g, b, a) {
    SC.surfaces[h].ctx.fillStyle = SC.colour(r, g, b, a);
  },

  sc_set_stroke__deps: ['$SC'],
  sc_set_stroke: function(h, r, g, b, a) {
    SC.surfaces[h].ctx.strokeStyle = SC.colour(r, g, b, a);
  },

  sc_set_line_width__deps: ['$SC'],
  sc_set_line_width: function(h, w) {
    SC.surfaces[h].ctx.lineWidth = w;
  },

  sc_set_alpha__deps: ['$SC'],
  sc_set_alpha: function(h, a) {
    SC.surfaces[h].ctx.globalAlpha = a;
  },

  sc_set_font__deps: ['$SC'],
  sc_set_font: function(h, css) {
    SC.setFont(SC.surfaces[h], UTF8ToString(css));
  },

  // The CTM in CSS pixels; the device pixel ratio is applied here.
  sc_set_translation__deps: ['$SC'],
  sc_set_translation: function(h, tx, ty) {
    var s = SC.surfaces[h], d = s.dpr;
    s.tf = [d, 0, 0, d, d * tx, d * ty];
    s.ctx.setTransform(d, 0, 0, d, d * tx, d * ty);
  },

  sc_save__deps: ['$SC'],
  sc_save: function(h) {
    var s = SC.surfaces[h];
    s.ctx.save();
    (s.tfStack || (s.tfStack = [])).push([s.tf, s.textK]);
  },

  sc_restore__deps: ['$SC'],
  sc_restore: function(h) {
    var s = SC.surfaces[h];
    s.ctx.restore();
    if (s.tfStack && s.tfStack.length) {
      var top = s.tfStack.pop();
      s.tf = top[0];
      s.textK = top[1];
    }
  },

  sc_clip_rect__deps: ['$SC'],
  sc_clip_rect: function(h, x, y, w, hh) {
    // A Path2D keeps the context's current path untouched, as a clip must.
    var p = new Path2D();
    p.rect(x, y, w, hh);
    SC.surfaces[h].ctx.clip(p);
  },

  sc_clear_rect__deps: ['$SC'],
  sc_clear_rect: function(h, x, y, w, hh) {
    SC.surfaces[h].ctx.clearRect(x, y, w, hh);
  },

  sc_fill_rect__deps: ['$SC'],
  sc_fill_rect: function(h, x, y, w, hh) {
    SC.surfaces[h].ctx.fillRect(x, y, w, hh);
  },

  // Independent segments from count points (x, y floats). Stroked in small
  // groups: a single path of many long subpaths rasterises far slower.
  sc_stroke_segments__deps: ['$SC'],
  sc_stroke_segments: function(h, ptr, count, group) {
    var g = SC.surfaces[h].ctx, F = HEAPF32, p = ptr >> 2, end = p + 2 * (count & ~1);
    while (p < end) {
      var stop = Math.min(end, p + 4 * group);
      g.beginPath();
      for (; p < stop; p += 4) {
        g.moveTo(F[p], F[p + 1]);
        g.lineTo(F[p + 2], F[p + 3]);
      }
      g.stroke();
    }
  },

  // mode: 0 fill (non-zero), 1 stroke, 2 fill even-odd.
  sc_draw_path__deps: ['$SC'],
  sc_draw_path: function(h, ptr, n, mode) {
    var g = SC.surfaces[h].ctx, p = ptr >> 2;
    g.beginPath();
    SC.tracePath(g, p, p + n);
    if (mode === 1) {
      g.stroke();
    } else {
      g.fill(mode === 2 ? 'evenodd' : 'nonzero');
    }
  },

  // Filled ellipses inscribed in n rectangles (x, y, w, h floats). Small ones
  // (star dots) are stamped from discs drawn once per size, colour and
  // quarter-pixel phase, at whole device pixels: a copy costs far less than
  // filling a path. Larger ones go into one path.
  sc_fill_ellipses__deps: ['$SC'],
  sc_fill_ellipses: function(h, ptr, n) {
    var s = SC.surfaces[h], g = s.ctx, F = HEAPF32, p = ptr >> 2, end = p + 4 * n;
    var m = s.tf, d = m[0], e = m[4], f = m[5], fill = g.fillStyle, stamped = false, path = false;
    for (; p < end; p += 4) {
      var dw = F[p + 2] * d, dh = F[p + 3] * d;
      if (dw <= SC.maxStamp && dh <= SC.maxStamp) {
        var dx = F[p] * d + e, dy = F[p + 1] * d + f;
        var ix = Math.floor(dx), iy = Math.floor(dy);
        var kx = Math.round((dx - ix) * SC.phases), ky = Math.round((dy - iy) * SC.phases);
        if (kx === SC.phases) {
          kx = 0;
          ++ix;
        }
        if (ky === SC.phases) {
          ky = 0;
          ++iy;
        }
        if (!stamped) {
          g.setTransform(1, 0, 0, 1, 0, 0);
          stamped = true;
        }
        g.drawImage(SC.disc(dw, dh, kx, ky, fill), ix - 1, iy - 1);
        continue;
      }
      if (stamped) {
        g.setTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
        stamped = false;
      }
      if (!path) {
        g.beginPath();
        path = true;
      }
      var rx = F[p + 2] / 2, ry = F[p + 3] / 2, cx = F[p] + rx, cy = F[p + 1] + ry;
      g.moveTo(cx + rx, cy);
      g.ellipse(cx, cy, rx, ry, 0, 0, 2 * Math.PI);
    }
    if (stamped) {
      g.setTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
    }
    if (path) {
      g.fill();
    }
  },

  // Text at (x, y) through the matrix (a, b, c, d) already composed with the
  // glyph-space flip; (1, 0, 0, 1) is plain upright canvas text.
  // how: bit 0 fill, bit 1 stroke (fill first). lw: the outline width to use
  // inside the transformed space, or 0 to keep the context's.
  sc_text__deps: ['$SC'],
  sc_text: function(h, str, len, x, y, a, b, c, d, how, lw) {
    var s = SC.surfaces[h], g = s.ctx, t = UTF8ToString(str, len), k = s.textK;
    var plain = k === 1 && a === 1 && b === 0 && c === 0 && d === 1;
    var ox = 0, oy = 0, oldW = 0;
    if (plain) {
      ox = x;
      oy = y;
    } else {
      g.transform(a / k, b / k, c / k, d / k, x, y);
    }
    if (how & 1) {
      g.fillText(t, ox, oy);
    }
    if (how & 2) {
      if (lw > 0 || k !== 1) {
        oldW = g.lineWidth;
        g.lineWidth = (lw > 0 ? lw : oldW) * k;
      }
      g.strokeText(t, ox, oy);
      if (oldW) {
        g.lineWidth = oldW;
      }
    }
    if (!plain) {
      var m = s.tf;
      g.setTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
    }
  },

  sc_text_width__deps: ['$SC'],
  sc_text_width: function(h, str, len) {
    var s = SC.surfaces[h];
    return s.ctx.measureText(UTF8ToString(str, len)).width / s.textK;
  },

  // RGBA, not premultiplied, w x h pixels; returns an image handle.
  sc_image_create__deps: ['$SC'],
  sc_image_create: function(ptr, w, h) {
    var c = SC.makeCanvas(w, h);
    var data = new ImageData(new Uint8ClampedArray(HEAPU8.subarray(ptr, ptr + w * h * 4)), w, h);
    c.getContext('2d').putImageData(data, 0, 0);
    c = SC.freeze(c);
    var i = SC.freeImages.length ? SC.freeImages.pop() : SC.images.length;
    SC.images[i] = c;
    return i;
  },

  sc_image_release__deps: ['$SC'],
  sc_image_release: function(i) {
    if (SC.images[i]) {
      SC.drop(SC.images[i]);
      SC.images[i] = null;
      SC.freeImages.push(i);
    }
  },

  sc_draw_image__deps: ['$SC'],
  sc_draw_image: function(h, i, x, y, w, hh) {
    SC.surfaces[h].ctx.drawImage(SC.images[i], x, y, w, hh);
  },

  // Another surface, its top-left corner at (x, y), at its own size in points.
  sc_draw_surface__deps: ['$SC'],
  sc_draw_surface: function(h, src, x, y) {
    var o = SC.surfaces[src];
    SC.surfaces[h].ctx.drawImage(o.canvas, x, y, o.cssW, o.cssH);
  },

  // Reads one device pixel back, which makes the browser finish every
  // drawing command queued on the surface (used to time a pass).
  sc_surface_sync__deps: ['$SC'],
  sc_surface_sync: function(h) {
    SC.surfaces[h].ctx.getImageData(0, 0, 1, 1);
  },

  // Tells the page a frame is on screen: the first one is timed.
  sc_frame_presented: function() {
    var now = performance.now();
    if (!Module['firstFrameAt']) {
      Module['firstFrameAt'] = now;
      if (typeof performance.mark === 'function') {
        performance.mark('starchart-first-frame');
      }
      // The frame after the next animation frame has the pixels on screen.
      requestAnimationFrame(function() {
        requestAnimationFrame(function() {
          Module['firstFrameShownAt'] = performance.now();
        });
      });
    }
    Module['frames'] = (Module['frames'] || 0) + 1;
    if (Module['onFrame']) {
      Module['onFrame'](now);
    }
  },

  sc_device_pixel_ratio: function() {
    return (typeof window !== 'undefined' && window.devicePixelRatio) || 1;
  },
});
