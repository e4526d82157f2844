#!/usr/bin/env python3
"""Generates the transmitter's four de-emphasis impulse responses T1..T4.

Each table holds 512 response values (1/s) on the time grid
t_k = k * (1 / 1.088e12) s, k = 0..511. The design data fix, per table:
entries 0..3 and 511, the most negative entry and its index, the largest entry
and its index, the index where the positive lobe begins, and the area
sum(r) * step. Everything else is built here as a smooth, physically plausible
shape that meets those figures exactly:

  base(x) = -A*G(x; -x0, k1, tau1)          main (negative) lobe
            +B*G(x; o2, k2, tau2)           opposite de-emphasis lobe
            -C*exp(-(x - imax)/TAIL_TAU)    slow settling tail

with G(x; o, k, tau) = ((x-o)/tau)^k * exp(-(x-o)/tau) for x > o, else 0 (a
gamma pulse, the impulse response of k cascaded first-order stages). The tail
decays more slowly than both lobes, so once the opposite lobe has died away the
response stays slightly negative and creeps back towards 0. The peak
positions fix tau1 = (imin + x0)/k1 and tau2 = (imax + d2 - o2)/k2. The
nonlinear shape parameters (x0, k1, o2, k2, d2) were found by `--fit`
(Nelder-Mead on the weighted misfit of all figures) and are kept below so that
regeneration is fast and exact; the amplitudes A, B, C are their weighted
least-squares solution.

The base meets the figures only approximately. A correction then makes them
exact while changing the shape as little as possible:
  e = argmin sum (third difference of e)^2  with e fixed at the constrained
      entries (a discrete smoothing spline through the residuals; each
      extreme and its two neighbours are set on a symmetric parabola of the
      base's curvature, the two entries around the start of the positive lobe
      keep their base values, and the middle of the tail is left alone), plus
  lam * sin^4 bump on the falling edge of the main lobe for the area.
Finally the given entries are written exactly, and every figure is checked
(including the monotone pieces of the shape); the script fails otherwise.

Usage: gen_tx_tables.py [output_dir]      (default: the folder above)
       gen_tx_tables.py --fit [T1 ...]   (prints fitted SHAPE rows)
"""
import math
import os
import sys

N = 512
STEP = 1.0 / 1.088e12
TAIL_TAU = 150.0
TAIL_FREE = 30  # samples over which the corrections fade out on the tail

# The design figures, exactly as given.
FIGURES = {
    'T1': dict(head=['-6452545904.101987', '-32741084094.2431', '-56827066883.37775', '-78785164430.39693'],
               last='-7652511.821482791', rmin='-200161978594.4416', imin=14,
               rmax='599546097.6592989', imax=97, start=92, area='-6.157005406927422'),
    'T2': dict(head=['-5995180925.545899', '-32385891415.55995', '-55988769269.14088', '-76915458449.92976'],
               last='-6929943.152733391', rmin='-163553645255.2958', imin=13,
               rmax='25794773076.00125', imax=53, start=39, area='-2.554102686038324'),
    'T3': dict(head=['-5543627079.3721', '-32402139698.48719', '-56391485549.3009', '-77626617742.80374'],
               last='-7047489.685399516', rmin='-163785872943.6354', imin=13,
               rmax='39967947519.17829', imax=53, start=36, area='-1.8191743242094514'),
    'T4': dict(head=['-8378549572.803812', '-32344806598.81574', '-53870344800.68218', '-73046533960.61491'],
               last='-52046.66446201745', rmin='-155695580340.1732', imin=13,
               rmax='45541317996.97743', imax=51, start=34, area='-1.2834550320675147'),
}

# Shape parameters (x0, k1, o2, k2, d2) from --fit.
SHAPE = {
    'T1': [0.38929924812147715, 1.3111756047161875, 83.61905186630693, 2.0000000000155307, -3.362202563175243],
    'T2': [0.33243305248511257, 1.1871564697429022, 11.746639790416666, 3.161901449024425, -11.749067295204423],
    'T3': [0.25274089111375025, 1.130295781213115, 16.886318113582075, 2.0000000000001092, -11.75890345424004],
    'T4': [0.48144976185930255, 1.2108641054668996, 16.07109195358415, 2.0000000000003784, -10.737820489471293],
}


def figures(name):
    s = FIGURES[name]
    f = dict(s)
    for key in ('last', 'rmin', 'rmax', 'area'):
        f[key] = float(s[key])
    f['head'] = [float(v) for v in s['head']]
    return f


def gamma_pulse(x, o, k, tau):
    u = x - o
    if u <= 0.0:
        return 0.0
    v = u / tau
    return math.exp(k * math.log(v) - v)


def components(p, F):
    x0, k1, o2, k2, d2 = p
    return [(-x0, k1, (F['imin'] + x0) / k1),
            (o2, k2, (F['imax'] + d2 - o2) / k2)]


def basis(p, F):
    cs = components(p, F)
    imax = F['imax']
    return lambda x: [gamma_pulse(x, *c) for c in cs] + [math.exp(-(x - imax) / TAIL_TAU)]


def solve(M, y):
    """Gaussian elimination with partial pivoting; M is n x n (lists)."""
    n = len(y)
    M = [row[:] for row in M]
    y = y[:]
    for i in range(n):
        piv = max(range(i, n), key=lambda r: abs(M[r][i]))
        M[i], M[piv] = M[piv], M[i]
        y[i], y[piv] = y[piv], y[i]
        if abs(M[i][i]) < 1e-300:
            return None
        for r in range(i + 1, n):
            f = M[r][i] / M[i][i]
            for c in range(i, n):
                M[r][c] -= f * M[i][c]
            y[r] -= f * y[i]
    x = [0.0] * n
    for i in reversed(range(n)):
        x[i] = (y[i] - sum(M[i][c] * x[c] for c in range(i + 1, n))) / M[i][i]
    return x


def misfit_rows(p, F):
    """Weighted linear equations in (A', B', C') = signed amplitudes."""
    f = basis(p, F)
    rows, rhs = [], []
    s1, s2, se = 1.0 / abs(F['rmin']), 1.0 / F['rmax'], 1.0 / abs(F['last'])

    def add(vals, target, w):
        rows.append([v * w for v in vals])
        rhs.append(target * w)

    for i, h in enumerate(F['head']):
        add(f(i), h, s1)
    add(f(F['imin']), F['rmin'], 3 * s1)
    add([a - b for a, b in zip(f(F['imin'] + 0.5), f(F['imin'] - 0.5))], 0.0, 10 * s1)
    add(f(F['imax']), F['rmax'], 3 * s2)
    add([a - b for a, b in zip(f(F['imax'] + 0.5), f(F['imax'] - 0.5))], 0.0, 10 * s2)
    add(f(F['start'] - 0.5), 0.0, 3 * s2)
    add(f(N - 1), F['last'], se)
    area = [0.0, 0.0, 0.0]
    for k in range(N):
        for j, v in enumerate(f(k)):
            area[j] += v * STEP
    add(area, F['area'], 10.0 / abs(F['area']))
    return rows, rhs


def amplitudes(p, F):
    rows, rhs = misfit_rows(p, F)
    n = 3
    M = [[sum(r[i] * r[j] for r in rows) for j in range(n)] for i in range(n)]
    y = [sum(r[i] * b for r, b in zip(rows, rhs)) for i in range(n)]
    c = solve(M, y)
    if c is None:
        return None, float('inf')
    err = sum((sum(ri * ci for ri, ci in zip(r, c)) - b) ** 2 for r, b in zip(rows, rhs))
    return c, err


def objective(p, F):
    x0, k1, o2, k2, d2 = p
    if x0 <= 0.05 or k1 < 0.5 or k2 < 2.0 or o2 > F['start'] - 0.6 or o2 < -5.0 \
            or F['imax'] + d2 - o2 <= 0.0:
        return float('inf')
    c, err = amplitudes(p, F)
    if c is None or c[0] >= 0.0 or c[1] <= 0.0 or c[2] > 0.0:
        return float('inf')
    return err


def nelder_mead(f, x0, steps, iters):
    n = len(x0)
    pts = [list(x0)]
    for i in range(n):
        q = list(x0)
        q[i] += steps[i]
        pts.append(q)
    vals = [f(q) for q in pts]
    for _ in range(iters):
        order = sorted(range(n + 1), key=lambda i: vals[i])
        pts = [pts[i] for i in order]
        vals = [vals[i] for i in order]
        c = [sum(q[i] for q in pts[:-1]) / n for i in range(n)]
        xr = [c[i] + (c[i] - pts[-1][i]) for i in range(n)]
        fr = f(xr)
        if fr < vals[0]:
            xe = [c[i] + 2 * (c[i] - pts[-1][i]) for i in range(n)]
            fe = f(xe)
            pts[-1], vals[-1] = (xe, fe) if fe < fr else (xr, fr)
        elif fr < vals[-2]:
            pts[-1], vals[-1] = xr, fr
        else:
            xc = [c[i] + 0.5 * (pts[-1][i] - c[i]) for i in range(n)]
            fc = f(xc)
            if fc < vals[-1]:
                pts[-1], vals[-1] = xc, fc
            else:
                for j in range(1, n + 1):
                    pts[j] = [pts[0][i] + 0.5 * (pts[j][i] - pts[0][i]) for i in range(n)]
                    vals[j] = f(pts[j])
    i = min(range(n + 1), key=lambda i: vals[i])
    return pts[i], vals[i]


def fit(name):
    F = figures(name)
    best = None
    for init in ([2.0, 2.0, F['start'] - 8.0, 3.0, 0.0],
                 [1.0, 1.5, F['start'] - 5.0, 2.5, 0.0],
                 [3.0, 3.0, F['start'] - 12.0, 4.0, 0.0]):
        p, v = nelder_mead(lambda q: objective(q, F), init, [0.5, 0.5, 3.0, 1.0, 2.0], 1500)
        p, v = nelder_mead(lambda q: objective(q, F), p, [0.1, 0.1, 1.0, 0.3, 0.5], 1500)
        if best is None or v < best[1]:
            best = (p, v)
    return best


# ---------------------------------------------------------------------------
# Exact correction.

def banded_spd_solve(M, b, bw):
    """Solves M x = b for a symmetric positive definite band matrix given as
    dense rows (only |i-j| <= bw is read), by band Cholesky."""
    n = len(b)
    L = {}  # the lower factor, keyed by (row, column)
    for i in range(n):
        for j in range(max(0, i - bw), i + 1):
            s = M[i][j] - sum(L.get((i, k), 0.0) * L.get((j, k), 0.0) for k in range(max(0, i - bw), j))
            if i == j:
                if s <= 0.0:
                    raise ValueError('correction system is not positive definite')
                L[(i, i)] = math.sqrt(s)
            else:
                L[(i, j)] = s / L[(j, j)]
    y = [0.0] * n
    for i in range(n):
        y[i] = (b[i] - sum(L.get((i, k), 0.0) * y[k] for k in range(max(0, i - bw), i))) / L[(i, i)]
    x = [0.0] * n
    for i in reversed(range(n)):
        x[i] = (y[i] - sum(L.get((k, i), 0.0) * x[k] for k in range(i + 1, min(n, i + bw + 1)))) / L[(i, i)]
    return x


def smooth_correction(fixed):
    """argmin sum_i (third difference of e at i)^2 with e[j] = fixed[j]."""
    # Full normal matrix of the third-difference operator (bandwidth 3).
    Q = [[0.0] * N for _ in range(N)]
    for i in range(0, N - 3):
        idx, w = (i, i + 1, i + 2, i + 3), (-1.0, 3.0, -3.0, 1.0)
        for a, wa in zip(idx, w):
            for b, wb in zip(idx, w):
                Q[a][b] += wa * wb
    free = [i for i in range(N) if i not in fixed]
    pos = {j: n for n, j in enumerate(free)}
    M = [[0.0] * len(free) for _ in free]
    rhs = [0.0] * len(free)
    for i in free:
        for j in range(max(0, i - 3), min(N, i + 4)):
            if j in fixed:
                rhs[pos[i]] -= Q[i][j] * fixed[j]
            else:
                M[pos[i]][pos[j]] = Q[i][j]
    x = banded_spd_solve(M, rhs, 3)
    e = [0.0] * N
    for j, v in fixed.items():
        e[j] = v
    for i, v in zip(free, x):
        e[i] = v
    return e


def table_sum(r):
    s = 0.0
    for v in r:
        s += v
    return s


def build(name):
    F = figures(name)
    p = SHAPE[name]
    c, _ = amplitudes(p, F)
    f = basis(p, F)
    base = [sum(ci * vi for ci, vi in zip(c, f(float(k)))) for k in range(N)]

    imin, imax, start = F['imin'], F['imax'], F['start']
    fixed = {i: F['head'][i] - base[i] for i in range(4)}
    # Each extreme becomes the vertex of a symmetric parabola with the base's
    # curvature there, so it is the extreme entry of its neighbourhood.
    for i, v in ((imin, F['rmin']), (imax, F['rmax'])):
        half_curv = 0.5 * (base[i - 1] - 2.0 * base[i] + base[i + 1])
        fixed.update({i - 1: v + half_curv - base[i - 1], i: v - base[i],
                      i + 1: v + half_curv - base[i + 1]})
    fixed.update({start - 1: 0.0, start: 0.0,
                  N - 1: F['last'] - base[N - 1]})
    # Keep the correction of the maximum local: none on the middle of the tail.
    fixed.update({k: 0.0 for k in range(imax + TAIL_FREE, N - TAIL_FREE)})
    e = smooth_correction(fixed)
    r = [b + d for b, d in zip(base, e)]

    # Area: a sin^4 bump strictly inside the falling edge of the main lobe.
    a, b = imin + 2, start - 2
    bump = [math.sin(math.pi * (k - a) / (b - a)) ** 4 if a < k < b else 0.0 for k in range(N)]
    for _ in range(3):
        for i, v in enumerate(F['head']):
            r[i] = v
        r[imin], r[imax], r[N - 1] = F['rmin'], F['rmax'], F['last']
        lam = (F['area'] / STEP - table_sum(r)) / sum(bump)
        r = [v + lam * w for v, w in zip(r, bump)]
    for i, v in enumerate(F['head']):
        r[i] = v
    r[imin], r[imax], r[N - 1] = F['rmin'], F['rmax'], F['last']
    return r


def check(name, r):
    F = figures(name)
    imin, imax, start = F['imin'], F['imax'], F['start']
    problems = []
    if len(r) != N:
        problems.append('length')
    for i, v in enumerate(F['head']):
        if r[i] != v:
            problems.append('entry %d' % i)
    if r[N - 1] != F['last']:
        problems.append('entry 511')
    if r[imin] != F['rmin'] or min(range(N), key=lambda k: r[k]) != imin \
            or sum(1 for v in r if v == F['rmin']) != 1:
        problems.append('minimum')
    if r[imax] != F['rmax'] or max(range(N), key=lambda k: r[k]) != imax \
            or sum(1 for v in r if v == F['rmax']) != 1:
        problems.append('maximum')
    if any(v >= 0.0 for v in r[:start]) or r[start] <= 0.0:
        problems.append('start of the positive lobe')
    area = table_sum(r) * STEP
    if abs(area - F['area']) > 1e-12 * abs(F['area']):
        problems.append('area %r' % area)
    # Shape: falls to the minimum, rises to the maximum, falls through zero
    # to one shallow negative minimum of the tail, then creeps back towards 0.
    d = [r[k + 1] - r[k] for k in range(N - 1)]
    if not all(v < 0 for v in d[:imin]) or not all(v > 0 for v in d[imin:imax]):
        problems.append('main lobe not monotone')
    tail = min(range(imax, N), key=lambda k: r[k])
    if not all(v < 0 for v in d[imax:tail]) or not all(v > 0 for v in d[tail:]):
        problems.append('tail not monotone')
    if not (r[N - 1] < 0.0 and abs(r[tail]) < min(F['rmax'], 0.01 * abs(F['rmin']))):
        problems.append('tail not slightly negative')
    if problems:
        raise SystemExit('%s: %s' % (name, ', '.join(problems)))
    return tail


def emit(tables, outdir):
    names = sorted(tables)
    h = os.path.join(outdir, 'TxFilterTables.h')
    cpp = os.path.join(outdir, 'TxFilterTables.cpp')
    with open(h, 'w') as out:
        out.write('''// The transmitter's de-emphasis impulse responses.
//
// Generated by models/tx/tables/gen_tx_tables.py; do not edit by hand.
// kTxFilterResponse[n] is the impulse response of filter T(n+1), used for
// DE_Level n, in units of 1/s; all four share the time grid
// kTxFilterTimeStamps[k] = k * (1 / 1.088e12) s, k = 0 .. 511.
#pragma once

constexpr int kTxFilterPoints = 512;
constexpr int kTxFilterCount = 4;

extern const double kTxFilterTimeStamps[kTxFilterPoints];
extern const double kTxFilterResponse[kTxFilterCount][kTxFilterPoints];
''')
    with open(cpp, 'w') as out:
        out.write('// Generated by models/tx/tables/gen_tx_tables.py; do not edit by hand.\n')
        out.write('#include "models/tx/TxFilterTables.h"\n\n')
        out.write('const double kTxFilterTimeStamps[kTxFilterPoints] = {\n')
        ts = [k * STEP for k in range(N)]
        for i in range(0, N, 4):
            out.write('    ' + ' '.join('%r,' % v for v in ts[i:i + 4]) + '\n')
        out.write('};\n\n')
        out.write('const double kTxFilterResponse[kTxFilterCount][kTxFilterPoints] = {\n')
        for name in names:
            out.write('    {  // %s\n' % name)
            r = tables[name]
            for i in range(0, N, 4):
                out.write('        ' + ' '.join('%r,' % v for v in r[i:i + 4]) + '\n')
            out.write('    },\n')
        out.write('};\n')


def main(argv):
    args = [a for a in argv if not a.startswith('--')]
    if '--fit' in argv:
        for name in (args or sorted(FIGURES)):
            p, v = fit(name)
            print("    '%s': [%s],  # misfit %.3g" % (name, ', '.join(repr(x) for x in p), v), flush=True)
        return
    outdir = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    tables = {}
    for name in sorted(FIGURES):
        tables[name] = build(name)
        tail = check(name, tables[name])
        print('%s: tail minimum at %d, %.6g' % (name, tail, tables[name][tail]))
    emit(tables, outdir)


if __name__ == '__main__':
    main(sys.argv[1:])
