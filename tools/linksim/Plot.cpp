#include "linksim/Plot.h"

#include "linksim/StatEye.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace linksim {

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

struct Rect {
    double x, y, w, h;
};

// "Nice" tick step for a span, about n ticks.
double TickStep(double span, int n)
{
    if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
    const double raw = span / n;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    const double nice = f < 1.5 ? 1.0 : f < 3.5 ? 2.0 : f < 7.5 ? 5.0 : 10.0;
    return nice * mag;
}

std::string Fmt(double v, const char* fmt = "%g")
{
    char b[64];
    std::snprintf(b, sizeof b, fmt, std::fabs(v) < 1e-12 ? 0.0 : v);
    return b;
}

void Text(cairo_t* cr, double x, double y, const std::string& s, double ax, double ay, double size = 12)
{
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - ax * e.width - e.x_bearing, y - ay * e.height - e.y_bearing);
    cairo_show_text(cr, s.c_str());
}

// A title that stays inside [x, x + maxWidth]: the font shrinks down to 9
// points, and a text still too long loses its middle ("...").
void Title(cairo_t* cr, double x, double y, const std::string& s, double maxWidth)
{
    double size = 14;
    cairo_text_extents_t e;
    auto width = [&](const std::string& t) {
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, t.c_str(), &e);
        return e.x_advance;
    };
    while (size > 9 && width(s) > maxWidth) size -= 0.5;
    std::string t = s;
    for (size_t keep = s.size(); keep > 8 && width(t) > maxWidth; --keep) {
        const size_t head = keep / 2, tail = keep - head;
        t = s.substr(0, head) + "..." + s.substr(s.size() - tail);
    }
    Text(cr, x, y, t, 0.0, 0.5, size);
}

void TextVertical(cairo_t* cr, double x, double y, const std::string& s, double size = 12)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -M_PI / 2);
    Text(cr, 0, 0, s, 0.5, 0.5, size);
    cairo_restore(cr);
}

// A data range a picture can map onto pixels: finite ends, a finite,
// positive span.
bool Drawable(double lo, double hi) { return std::isfinite(lo) && std::isfinite(hi) && std::isfinite(hi - lo) && hi > lo; }

const char* kNotDrawable = "the figures to draw are not finite or too far apart to draw";

// Calls draw(v) at the ticks of [lo, hi], at most 4 n + 3 of them (a range
// whose step is lost in its figures' rounding draws no more).
template <class Draw>
void Ticks(double lo, double hi, int n, Draw draw)
{
    if (!Drawable(lo, hi)) return;
    const double step = TickStep(hi - lo, n), k0 = std::ceil(lo / step);
    for (int i = 0; i <= 4 * n + 2; ++i) {
        const double v = (k0 + i) * step;
        if (v > hi + 1e-9 * step) break;
        draw(v);
    }
}

// Axes frame with ticks and labels; x and y map data ranges onto r.
void Axes(cairo_t* cr, const Rect& r, double x0, double x1, double y0, double y1, const std::string& xl,
          const std::string& yl, bool dark)
{
    const double fg = dark ? 0.85 : 0.15;
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, fg, fg, fg);
    cairo_rectangle(cr, r.x + 0.5, r.y + 0.5, r.w, r.h);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    Ticks(x0, x1, 8, [&](double v) {
        const double px = r.x + (v - x0) / (x1 - x0) * r.w;
        cairo_move_to(cr, std::round(px) + 0.5, r.y + r.h);
        cairo_line_to(cr, std::round(px) + 0.5, r.y + r.h + 5);
        cairo_stroke(cr);
        Text(cr, px, r.y + r.h + 8, Fmt(v), 0.5, 0.0, 11);
    });
    Ticks(y0, y1, 6, [&](double v) {
        const double py = r.y + r.h - (v - y0) / (y1 - y0) * r.h;
        cairo_move_to(cr, r.x - 5, std::round(py) + 0.5);
        cairo_line_to(cr, r.x, std::round(py) + 0.5);
        cairo_stroke(cr);
        Text(cr, r.x - 8, py, Fmt(v), 1.0, 0.5, 11);
    });
    Text(cr, r.x + r.w / 2, r.y + r.h + 26, xl, 0.5, 0.0, 12);
    TextVertical(cr, r.x - 58, r.y + r.h / 2, yl, 12);
}

// Perceptual dark-to-bright colour scale, t in [0, 1].
void ColourMap(double t, double& r, double& g, double& b)
{
    static const double stops[][3] = {{0.05, 0.03, 0.20}, {0.35, 0.05, 0.55}, {0.80, 0.20, 0.35},
                                      {0.98, 0.60, 0.10}, {1.00, 1.00, 0.75}};
    t = std::clamp(t, 0.0, 1.0) * 4.0;
    const int i = std::min(3, static_cast<int>(t));
    const double f = t - i;
    r = stops[i][0] + f * (stops[i + 1][0] - stops[i][0]);
    g = stops[i][1] + f * (stops[i + 1][1] - stops[i][1]);
    b = stops[i][2] + f * (stops[i + 1][2] - stops[i][2]);
}

std::string Finish(cairo_surface_t* s, const std::string& path)
{
    cairo_surface_flush(s);
    const cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
    if (st != CAIRO_STATUS_SUCCESS) return path + ": " + cairo_status_to_string(st);
    return {};
}

}  // namespace

std::string WriteEyePng(const std::string& path, const EyeDiagram& eye, const EyePlotInfo& info)
{
    if (!Drawable(eye.VMin(), eye.VMax())) return kNotDrawable;
    const int W = eye.Width(), H = eye.Height();
    const int left = 80, top = 50, right = 30, bottom = 60;
    Surface surf(cairo_image_surface_create(CAIRO_FORMAT_RGB24, W + left + right, H + top + bottom));
    if (cairo_surface_status(surf.get()) != CAIRO_STATUS_SUCCESS) return "cannot create the eye image";
    Context ctx(cairo_create(surf.get()));
    cairo_t* cr = ctx.get();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    // The density, one pixel per bin, log-scaled.
    cairo_surface_flush(surf.get());
    unsigned char* data = cairo_image_surface_get_data(surf.get());
    const int stride = cairo_image_surface_get_stride(surf.get());
    const double lmax = std::log1p(static_cast<double>(eye.MaxCount()));
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(top + y) * stride);
        for (int x = 0; x < W; ++x) {
            const uint64_t c = eye.Count(x, H - 1 - y);
            double r, g, b;
            if (c == 0) {
                r = g = b = 0.0;
            } else {
                ColourMap(lmax > 0 ? 0.15 + 0.85 * std::log1p(static_cast<double>(c)) / lmax : 1.0, r, g, b);
            }
            row[left + x] = (static_cast<uint32_t>(r * 255) << 16) | (static_cast<uint32_t>(g * 255) << 8) |
                            static_cast<uint32_t>(b * 255);
        }
    }
    cairo_surface_mark_dirty(surf.get());

    const Rect r{double(left), double(top), double(W), double(H)};
    // Grid: decision instant, bit boundaries, zero volts.
    cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
    cairo_set_line_width(cr, 1.0);
    for (double u : {-0.5, 0.0, 0.5}) {
        const double px = std::round(r.x + (u + 1.0) / 2.0 * r.w) + 0.5;
        cairo_move_to(cr, px, r.y);
        cairo_line_to(cr, px, r.y + r.h);
    }
    const double y0 = r.y + r.h - (0.0 - eye.VMin()) / (eye.VMax() - eye.VMin()) * r.h;
    if (y0 > r.y && y0 < r.y + r.h) {
        cairo_move_to(cr, r.x, std::round(y0) + 0.5);
        cairo_line_to(cr, r.x + r.w, std::round(y0) + 0.5);
    }
    cairo_stroke(cr);

    // Opening markers: height at the decision instant, width at zero volts
    // (several levels: each eye's around its threshold).
    const auto& o = info.opening;
    for (const auto& [threshold, e] : info.eyes) {
        if (!(e.valid && e.height > 0.0)) continue;
        const double cx = r.x + 0.5 * r.w;
        const double yt = r.y + r.h - (threshold - eye.VMin()) / (eye.VMax() - eye.VMin()) * r.h;
        const double hpx = e.height / (eye.VMax() - eye.VMin()) * r.h;
        const double wpx = e.widthUi / 2.0 * r.w, mid = cx + e.centreOffsetUi / 2.0 * r.w;
        cairo_set_source_rgb(cr, 0.2, 1.0, 0.4);
        cairo_set_line_width(cr, 2.0);
        cairo_move_to(cr, cx, yt - hpx / 2);
        cairo_line_to(cr, cx, yt + hpx / 2);
        cairo_move_to(cr, mid - wpx / 2, yt);
        cairo_line_to(cr, mid + wpx / 2, yt);
        cairo_stroke(cr);
    }
    if (o.valid && o.height > 0.0) {
        const double cx = r.x + 0.5 * r.w;
        const double hpx = o.height / (eye.VMax() - eye.VMin()) * r.h;
        cairo_set_source_rgb(cr, 0.2, 1.0, 0.4);
        cairo_set_line_width(cr, 2.0);
        cairo_move_to(cr, cx, y0 - hpx / 2);
        cairo_line_to(cr, cx, y0 + hpx / 2);
        const double wpx = o.widthUi / 2.0 * r.w;
        const double mid = cx + o.centreOffsetUi / 2.0 * r.w;
        cairo_move_to(cr, mid - wpx / 2, y0);
        cairo_line_to(cr, mid + wpx / 2, y0);
        cairo_stroke(cr);
    }

    Axes(cr, r, -1.0, 1.0, eye.VMin(), eye.VMax(), "time from the decision instant (UI)", "equalised signal (V)",
         false);
    if (info.bitTime > 0.0) {
        cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
        Text(cr, r.x + r.w, r.y + r.h + 26,
             "1 UI = " + Fmt(info.bitTime * 1e12, "%.2f") + " ps", 1.0, 0.0, 11);
    }
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    Title(cr, r.x, 18, info.title, W + left + right - r.x - 10);
    std::string sub = Fmt(static_cast<double>(eye.Traces()), "%.0f") + " unit intervals folded";
    if (o.valid)
        sub += ";  eye height " + Fmt(o.height * 1e3, "%.1f") + " mV, width " + Fmt(o.widthUi, "%.3f") + " UI";
    Text(cr, r.x, 36, sub, 0.0, 0.5, 11);
    return Finish(surf.get(), path);
}

std::string WriteClockPng(const std::string& path, const std::vector<double>& edges, const ClockPlotInfo& info)
{
    const int W = 900, H = 620;
    Surface surf(cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H));
    if (cairo_surface_status(surf.get()) != CAIRO_STATUS_SUCCESS) return "cannot create the clock image";
    Context ctx(cairo_create(surf.get()));
    cairo_t* cr = ctx.get();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    Title(cr, 90, 20, info.title, W - 100);
    if (edges.size() < 3 || !(info.refPeriod > 0.0)) {
        Text(cr, W / 2.0, H / 2.0, "fewer than three clock edges: nothing to plot", 0.5, 0.5, 14);
        return Finish(surf.get(), path);
    }
    const double ns = 1e9, ps = 1e12;
    const double t0 = 0.0, t1 = edges.back() * ns;
    if (!Drawable(t0, t1) || !std::isfinite(info.refPeriod * ps)) return kNotDrawable;
    const Rect top{90, 45, W - 120.0, 230}, bot{90, 345, W - 120.0, 200};

    // Period per pixel column: the running mean over 64 periods, its range
    // within the column as a band and its average as the line. (The raw
    // periods step by whole samples, so their range per column would fill
    // the panel with spikes on a long run.)
    const int cols = static_cast<int>(top.w);
    std::vector<double> lo(cols, std::numeric_limits<double>::infinity()), hi(cols, -lo[0]);
    std::vector<double> mean(cols, 0.0);
    std::vector<size_t> count(cols, 0);
    const size_t avgN = 64;
    double run = 0.0;
    double pmin = std::numeric_limits<double>::infinity(), pmax = -pmin;
    // Intervals of more than one period are clock times the interface
    // dropped, not periods: they are left out.
    std::vector<double> periods, at;
    for (size_t k = 1; k < edges.size(); ++k) {
        const double p = edges[k] - edges[k - 1];
        if (p > 1.5 * info.refPeriod) continue;
        periods.push_back(p * ps);
        at.push_back(edges[k] * ns);
    }
    for (size_t k = 0; k < periods.size(); ++k) {
        run += periods[k];
        if (k >= avgN) run -= periods[k - avgN];
        const int c = std::clamp(static_cast<int>(at[k] / t1 * cols), 0, cols - 1);
        const double m = run / static_cast<double>(std::min(k + 1, avgN));
        if (k + 1 < avgN && periods.size() >= avgN) continue;
        lo[c] = std::min(lo[c], m);
        hi[c] = std::max(hi[c], m);
        mean[c] += m;
        ++count[c];
        if (k + 1 >= avgN || periods.size() < avgN) {  // the first means average few periods
            pmin = std::min(pmin, m);
            pmax = std::max(pmax, m);
        }
    }
    for (int c = 0; c < cols; ++c) mean[c] = count[c] ? mean[c] / static_cast<double>(count[c]) : NAN;
    const double nominal = info.refPeriod * ps;
    pmin = std::min(pmin, nominal);
    pmax = std::max(pmax, nominal);
    const double pad = std::max(0.05 * (pmax - pmin), 0.05);
    const double y0 = pmin - pad, y1 = pmax + pad;
    auto py = [&](double v) { return top.y + top.h - (v - y0) / (y1 - y0) * top.h; };
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 0.70, 0.78, 0.92);
    for (int c = 0; c < cols; ++c) {
        if (!std::isfinite(lo[c])) continue;
        cairo_move_to(cr, top.x + c + 0.5, py(lo[c]) + 0.5);
        cairo_line_to(cr, top.x + c + 0.5, py(hi[c]) - 0.5);
    }
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.05, 0.25, 0.65);
    cairo_set_line_width(cr, 1.5);
    bool pen = false;
    for (int c = 0; c < cols; ++c) {
        if (std::isnan(mean[c])) continue;
        if (pen)
            cairo_line_to(cr, top.x + c + 0.5, py(mean[c]));
        else
            cairo_move_to(cr, top.x + c + 0.5, py(mean[c]));
        pen = true;
    }
    cairo_stroke(cr);
    const double dash[] = {6.0, 4.0};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_source_rgb(cr, 0.1, 0.6, 0.2);
    cairo_move_to(cr, top.x, py(nominal));
    cairo_line_to(cr, top.x + top.w, py(nominal));
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    Axes(cr, top, t0, t1, y0, y1, "", "period (ps)", false);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    Text(cr, top.x + top.w, top.y - 6,
         "band: range of the 64-period mean per column; line: its average; dashed: nominal " + Fmt(nominal, "%.3f") + " ps",
         1.0, 1.0, 10);

    // Phase against the ideal clock.
    const std::vector<double> res = PhaseResidual(edges, info.refPeriod);
    std::vector<double> rlo(cols, std::numeric_limits<double>::infinity()), rhi(cols, -rlo[0]);
    double rmin = std::numeric_limits<double>::infinity(), rmax = -rmin;
    for (size_t k = 0; k < res.size(); ++k) {
        const double v = res[k] / info.refPeriod;
        const int c = std::clamp(static_cast<int>(edges[k] * ns / t1 * cols), 0, cols - 1);
        rlo[c] = std::min(rlo[c], v);
        rhi[c] = std::max(rhi[c], v);
        rmin = std::min(rmin, v);
        rmax = std::max(rmax, v);
    }
    const double rpad = std::max(0.05 * (rmax - rmin), 0.05);
    const double r0 = rmin - rpad, r1 = rmax + rpad;
    auto ry = [&](double v) { return bot.y + bot.h - (v - r0) / (r1 - r0) * bot.h; };
    cairo_set_source_rgb(cr, 0.05, 0.25, 0.65);
    cairo_set_line_width(cr, 1.0);
    for (int c = 0; c < cols; ++c) {
        if (!std::isfinite(rlo[c])) continue;
        cairo_move_to(cr, bot.x + c + 0.5, ry(rlo[c]) + 0.5);
        cairo_line_to(cr, bot.x + c + 0.5, ry(rhi[c]) - 0.5);
    }
    cairo_stroke(cr);
    Axes(cr, bot, t0, t1, r0, r1, "time (ns)", "phase vs ideal clock (UI)", false);

    if (info.locked) {
        cairo_set_source_rgb(cr, 0.85, 0.1, 0.1);
        cairo_set_dash(cr, dash, 2, 0);
        for (const Rect* rr : {&top, &bot}) {
            const double x = rr->x + info.lockTime * ns / t1 * rr->w;
            cairo_move_to(cr, std::round(x) + 0.5, rr->y);
            cairo_line_to(cr, std::round(x) + 0.5, rr->y + rr->h);
        }
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        const double x = top.x + info.lockTime * ns / t1 * top.w;
        Text(cr, x + 4, top.y + 12, "lock", 0.0, 0.5, 11);
    }
    return Finish(surf.get(), path);
}

void ReleasePlotResources()
{
    cairo_debug_reset_static_data();
    FcFini();
}

}  // namespace linksim

namespace linksim {

namespace {

// A point's marker: a dot, or a downward triangle for an upper bound.
void Marker(cairo_t* cr, double x, double y, bool upperBound)
{
    if (upperBound) {
        cairo_move_to(cr, x - 4.5, y - 3.5);
        cairo_line_to(cr, x + 4.5, y - 3.5);
        cairo_line_to(cr, x, y + 4.0);
        cairo_close_path(cr);
    } else {
        cairo_arc(cr, x, y, 3.0, 0, 2 * M_PI);
    }
    cairo_fill(cr);
}

// The key of a panel's series inside its top right corner, on white: each
// label with its line (dashed where the series is) and marker, and a line
// for the upper-bound marker when a series has one.
void Legend(cairo_t* cr, const Rect& r, const std::vector<PlotSeries>& series)
{
    std::vector<const PlotSeries*> keyed;
    bool bounds = false;
    for (const auto& s : series) {
        bool drawn = false;  // a series with nothing to draw is not keyed
        for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
            drawn = true;
            bounds = bounds || (i < s.upperBound.size() && s.upperBound[i]);
        }
        if (drawn && !s.label.empty()) keyed.push_back(&s);
    }
    if (keyed.empty() && !bounds) return;
    const char* boundText = "no error seen: 95 % upper bound";
    cairo_set_font_size(cr, 10);
    double w = 0;
    cairo_text_extents_t e;
    for (const PlotSeries* s : keyed) {
        cairo_text_extents(cr, s->label.c_str(), &e);
        w = std::max(w, e.x_advance);
    }
    if (bounds) {
        cairo_text_extents(cr, boundText, &e);
        w = std::max(w, e.x_advance);
    }
    const double rowH = 13, boxW = std::min(w + 40, r.w - 8);
    const double boxH = rowH * static_cast<double>(keyed.size() + (bounds ? 1 : 0)) + 6;
    const double bx = r.x + r.w - boxW - 4, by = r.y + 4;
    cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
    cairo_rectangle(cr, bx, by, boxW, boxH);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    const double dash[] = {6.0, 4.0};
    double y = by + 3 + rowH / 2;
    for (const PlotSeries* s : keyed) {
        cairo_set_source_rgb(cr, s->r, s->g, s->b);
        cairo_set_line_width(cr, 1.5);
        if (s->dashed) cairo_set_dash(cr, dash, 2, 0);
        cairo_move_to(cr, bx + 5, y);
        cairo_line_to(cr, bx + 29, y);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        if (s->markers) Marker(cr, bx + 17, y, false);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        Text(cr, bx + 34, y, s->label, 0.0, 0.5, 10);
        y += rowH;
    }
    if (bounds) {
        cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
        Marker(cr, bx + 17, y, true);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        Text(cr, bx + 34, y, boundText, 0.0, 0.5, 10);
    }
}

}  // namespace

std::string WritePanelsPng(const std::string& path, const std::string& title, const std::vector<PlotPanel>& panels)
{
    const int W = 900, panelH = 280, gap = 75, topPad = 45;
    const int H = topPad + static_cast<int>(panels.size()) * (panelH + gap);
    Surface surf(cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, std::max(H, 120)));
    if (cairo_surface_status(surf.get()) != CAIRO_STATUS_SUCCESS) return "cannot create the image";
    Context ctx(cairo_create(surf.get()));
    cairo_t* cr = ctx.get();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    Title(cr, 90, 20, title, W - 100);
    const double dash[] = {6.0, 4.0};
    for (size_t p = 0; p < panels.size(); ++p) {
        const PlotPanel& pan = panels[p];
        const Rect r{90, topPad + static_cast<double>(p) * (panelH + gap), W - 120.0, static_cast<double>(panelH)};
        double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
        for (const auto& s : pan.series)
            for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
                if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
                x0 = std::min(x0, s.x[i]);
                x1 = std::max(x1, s.x[i]);
                y0 = std::min(y0, s.y[i]);
                y1 = std::max(y1, s.y[i]);
            }
        if (!std::isfinite(x0)) {
            x0 = 0;
            x1 = 1;
            y0 = 0;
            y1 = 1;
        }
        if (pan.yMin < pan.yMax) {
            y0 = pan.yMin;
            y1 = pan.yMax;
        } else {
            const double pad = std::max(0.05 * (y1 - y0), 1e-12 + 1e-9 * std::fabs(y1));
            y0 -= pad;
            y1 += pad;
        }
        if (!(x1 > x0)) x1 = x0 + std::max(1.0, 1e-9 * std::fabs(x0));
        if (!pan.series.empty() && pan.series.front().markers) {  // room for the end points' markers
            const double xpad = 0.02 * (x1 - x0);
            x0 -= xpad;
            x1 += xpad;
        }
        if (!Drawable(x0, x1) || !Drawable(y0, y1)) return kNotDrawable;
        auto px = [&](double v) { return r.x + (v - x0) / (x1 - x0) * r.w; };
        auto py = [&](double v) { return r.y + r.h - (std::clamp(v, y0, y1) - y0) / (y1 - y0) * r.h; };
        cairo_save(cr);
        cairo_rectangle(cr, r.x, r.y, r.w, r.h);
        cairo_clip(cr);
        for (const auto& m : pan.xMarks) {
            if (m.first < x0 || m.first > x1) continue;
            cairo_set_source_rgb(cr, 0.85, 0.1, 0.1);
            cairo_set_line_width(cr, 1.0);
            cairo_set_dash(cr, dash, 2, 0);
            cairo_move_to(cr, std::round(px(m.first)) + 0.5, r.y);
            cairo_line_to(cr, std::round(px(m.first)) + 0.5, r.y + r.h);
            cairo_stroke(cr);
            cairo_set_dash(cr, nullptr, 0, 0);
            Text(cr, px(m.first) + 4, r.y + 12, m.second, 0.0, 0.5, 10);
        }
        for (const auto& m : pan.yMarks) {
            if (m.first < y0 || m.first > y1) continue;
            cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
            cairo_set_line_width(cr, 1.0);
            cairo_set_dash(cr, dash, 2, 0);
            cairo_move_to(cr, r.x, std::round(py(m.first)) + 0.5);
            cairo_line_to(cr, r.x + r.w, std::round(py(m.first)) + 0.5);
            cairo_stroke(cr);
            cairo_set_dash(cr, nullptr, 0, 0);
            Text(cr, r.x + 4, py(m.first) - 3, m.second, 0.0, 1.0, 10);
        }
        for (const auto& s : pan.series) {
            cairo_set_source_rgb(cr, s.r, s.g, s.b);
            cairo_set_line_width(cr, 1.5);
            if (s.dashed) cairo_set_dash(cr, dash, 2, 0);
            bool pen = false;
            for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
                if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) {
                    pen = false;
                    continue;
                }
                if (pen)
                    cairo_line_to(cr, px(s.x[i]), py(s.y[i]));
                else
                    cairo_move_to(cr, px(s.x[i]), py(s.y[i]));
                pen = true;
            }
            cairo_stroke(cr);
            cairo_set_dash(cr, nullptr, 0, 0);
            if (s.markers)
                for (size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
                    if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
                    const bool bound = i < s.upperBound.size() && s.upperBound[i];
                    Marker(cr, px(s.x[i]), py(s.y[i]), bound);
                }
        }
        cairo_restore(cr);
        Axes(cr, r, x0, x1, y0, y1, pan.xLabel, pan.yLabel, false);
        Legend(cr, r, pan.series);
    }
    return Finish(surf.get(), path);
}

}  // namespace linksim

namespace linksim {

const std::array<Rgb, 5>& ContourPalette()
{
    // Blue, green, red, black and violet: apart from each other and from
    // the density's dark-violet-to-yellow scale where contours lie.
    static const std::array<Rgb, 5> p = {{{0.00, 0.35, 0.90}, {0.00, 0.60, 0.15}, {0.85, 0.05, 0.05},
                                          {0.00, 0.00, 0.00}, {0.55, 0.00, 0.75}}};
    return p;
}

std::string WriteStatEyePng(const std::string& path, const StatEye& eye, const std::string& title)
{
    const int W = 900, H = 560;
    const Rect r{90, 45, W - 190.0, H - 110.0};  // the colour bar on the right
    Surface surf(cairo_image_surface_create(CAIRO_FORMAT_RGB24, W, H));
    if (cairo_surface_status(surf.get()) != CAIRO_STATUS_SUCCESS) return "cannot create the image";
    Context ctx(cairo_create(surf.get()));
    cairo_t* cr = ctx.get();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    Title(cr, 90, 20, title, W - 100);
    if (eye.phases < 1 || eye.bins < 1) return Finish(surf.get(), path);
    const int spb = eye.phases;
    // The eye is periodic in the unit interval: x in [-1, 1) UI maps to
    // phase index (x * spb + spb/2) mod spb.
    auto phaseOf = [&](double x) {
        long j = static_cast<long>(std::floor(x * spb)) + spb / 2;
        j %= spb;
        if (j < 0) j += spb;
        return static_cast<size_t>(j);
    };
    // The voltage range actually used: where any phase has probability.
    int lo = eye.bins, hi = -1;
    for (int j = 0; j < spb; ++j)
        for (int b = 0; b < eye.bins; ++b)
            if (eye.density[static_cast<size_t>(j) * eye.bins + b] > 1e-18) {
                lo = std::min(lo, b);
                hi = std::max(hi, b);
            }
    if (hi < lo) {
        lo = 0;
        hi = eye.bins - 1;
    }
    const double dv = (eye.vMax - eye.vMin) / eye.bins;
    const double v0 = eye.vMin + (lo - 2) * dv, v1 = eye.vMin + (hi + 3) * dv;
    cairo_surface_flush(surf.get());
    unsigned char* data = cairo_image_surface_get_data(surf.get());
    const int stride = cairo_image_surface_get_stride(surf.get());
    for (int px = 0; px < static_cast<int>(r.w); ++px) {
        const size_t j = phaseOf(-1.0 + 2.0 * (px + 0.5) / r.w);
        for (int py = 0; py < static_cast<int>(r.h); ++py) {
            const double v = v1 - (py + 0.5) / r.h * (v1 - v0);
            const long b = static_cast<long>(std::floor((v - eye.vMin) / dv));
            double d = 0.0;
            if (b >= 0 && b < eye.bins) d = eye.density[j * static_cast<size_t>(eye.bins) + static_cast<size_t>(b)];
            double cr_ = 1, cg = 1, cb = 1;
            if (d > 1e-16) ColourMap((std::log10(d) + 16.0) / 16.0, cr_, cg, cb);
            unsigned char* p = data + (static_cast<int>(r.y) + py) * stride + 4 * (static_cast<int>(r.x) + px);
            p[0] = static_cast<unsigned char>(255 * cb);
            p[1] = static_cast<unsigned char>(255 * cg);
            p[2] = static_cast<unsigned char>(255 * cr_);
        }
    }
    cairo_surface_mark_dirty(surf.get());
    auto X = [&](double x) { return r.x + (x + 1.0) / 2.0 * r.w; };
    auto Y = [&](double v) { return r.y + (v1 - v) / (v1 - v0) * r.h; };
    const auto& palette = ContourPalette();
    for (size_t l = 0; l < eye.contourBers.size(); ++l) {
        const Rgb& c = palette[l % palette.size()];
        for (const StatEyeOpening& op : eye.eyes)
          for (const auto* edge : {&op.upper[l], &op.lower[l]})
          for (int pass = 0; pass < 2; ++pass) {  // a white halo, then the colour
            if (pass == 0)
                cairo_set_source_rgb(cr, 1, 1, 1), cairo_set_line_width(cr, 4.0);
            else
                cairo_set_source_rgb(cr, c.r, c.g, c.b), cairo_set_line_width(cr, 2.0);
            bool pen = false;
            for (int px = 0; px <= 2 * spb; ++px) {
                const double x = -1.0 + static_cast<double>(px) / spb;
                const size_t j = phaseOf(x + 0.5 / spb);
                const double u = op.upper[l][j], w = op.lower[l][j];
                if (!(u > w)) {
                    pen = false;
                    continue;
                }
                const double v = (*edge)[j];
                if (pen)
                    cairo_line_to(cr, X(x + 0.5 / spb), Y(v));
                else
                    cairo_move_to(cr, X(x + 0.5 / spb), Y(v));
                pen = true;
            }
            cairo_stroke(cr);
          }
        // The key: a stroke of the contour's colour and its BER.
        char label[32];
        std::snprintf(label, sizeof label, "BER %.0e", eye.contourBers[l]);
        const double kx = r.x + r.w - 90.0 * static_cast<double>(eye.contourBers.size() - l), ky = r.y - 10;
        cairo_set_source_rgb(cr, c.r, c.g, c.b);
        cairo_set_line_width(cr, 3.0);
        cairo_move_to(cr, kx, ky);
        cairo_line_to(cr, kx + 16, ky);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        Text(cr, kx + 20, ky, label, 0.0, 0.5, 10);
    }
    Axes(cr, r, -1.0, 1.0, v0, v1, "time (UI from the pulse's peak)", "voltage (V)", false);
    // The density's colour bar: log10 of the probability per bin.
    const Rect bar{r.x + r.w + 20, r.y, 16, r.h};
    for (int py = 0; py < static_cast<int>(bar.h); ++py) {
        double cr_ = 1, cg = 1, cb = 1;
        ColourMap(1.0 - (py + 0.5) / bar.h, cr_, cg, cb);
        cairo_set_source_rgb(cr, cr_, cg, cb);
        cairo_rectangle(cr, bar.x, bar.y + py, bar.w, 1);
        cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, bar.x + 0.5, bar.y + 0.5, bar.w, bar.h);
    cairo_stroke(cr);
    for (int e = -16; e <= 0; e += 4)
        Text(cr, bar.x + bar.w + 4, bar.y + bar.h * (-e) / 16.0, Fmt(e), 0.0, 0.5, 10);
    TextVertical(cr, bar.x + bar.w + 36, bar.y + bar.h / 2, "log10 probability per bin", 11);
    return Finish(surf.get(), path);
}

}  // namespace linksim
