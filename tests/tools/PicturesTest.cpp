// The pictures as a reader sees them: titles inside the image however long
// the file names, each contour of the statistical eye in a colour of its
// own that the image shows, and the pictures' data as CSV.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cairo.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "linksim/Analysis.h"
#include "linksim/Jitter.h"
#include "linksim/Measure.h"
#include "linksim/Plot.h"
#include "linksim/Report.h"
#include "linksim/StatEye.h"

namespace {

namespace fs = std::filesystem;

// A pulse with a main cursor, a post-cursor and a little pre-cursor.
linksim::StatEye SmallEye()
{
    const int spb = 16;
    std::vector<double> p(static_cast<size_t>(spb) * 8, 0.0);
    for (int i = 0; i < 3 * spb; ++i) {
        const double t = (i - 1.5 * spb) / spb;
        p[static_cast<size_t>(spb + i)] = std::exp(-3.0 * t * t) * 0.9 + (t > 0 ? 0.15 * std::exp(-t) : 0.0);
    }
    linksim::StatEyeOptions o;
    o.noiseRms = 0.01;
    return linksim::ComputeStatEye(p, spb, o);
}

struct Image {
    cairo_surface_t* s = nullptr;
    explicit Image(const std::string& path) : s(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Image() { cairo_surface_destroy(s); }
    bool Ok() const { return cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }
    int W() const { return cairo_image_surface_get_width(s); }
    int H() const { return cairo_image_surface_get_height(s); }
    // 0..255 each.
    void At(int x, int y, int& r, int& g, int& b) const
    {
        const unsigned char* p =
            cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) + 4 * x;
        b = p[0], g = p[1], r = p[2];
    }
};

// Frees what cairo and fontconfig keep for the process once a test that
// draws text is done, so the leak checker sees a clean exit.
struct ReleaseFonts {
    ~ReleaseFonts() { linksim::ReleasePlotResources(); }
};

std::string Temp(const std::string& name)
{
    return (fs::path(::testing::TempDir()) / (std::to_string(getpid()) + "_" + name)).string();
}

// Titles of every length, as long file names make them: drawn (dark pixels
// in the title band) and never past the right edge (the last columns of the
// band stay white).
TEST(Pictures, TitlesStayInsideTheImage)
{
    const ReleaseFonts release;
    const linksim::StatEye eye = SmallEye();
    for (size_t n : {10, 80, 160, 400}) {
        const std::string title = "Statistical eye, S-parameters " + std::string(n, 'W') + ".s4p (SDD21 of 1-2,3-4)";
        const std::string path = Temp("title.png");
        ASSERT_EQ(linksim::WriteStatEyePng(path, eye, title), "");
        const Image im(path);
        ASSERT_TRUE(im.Ok());
        int dark = 0, pastEdge = 0;
        for (int y = 4; y < 36; ++y)
            for (int x = 0; x < im.W(); ++x) {
                int r, g, b;
                im.At(x, y, r, g, b);
                if (r + g + b < 300) (x >= im.W() - 8 ? pastEdge : dark)++;
            }
        EXPECT_GT(dark, 50) << n << ": no title drawn";
        EXPECT_EQ(pastEdge, 0) << n << ": the title runs off the image";
        fs::remove(path);
    }
}

// The contours' colours differ from each other and each one is seen in
// the picture (a contour in a colour that the density hides, or two
// contours in one colour, fail).
TEST(Pictures, OneVisibleColourPerContour)
{
    const ReleaseFonts release;
    const auto& pal = linksim::ContourPalette();
    for (size_t a = 0; a < pal.size(); ++a)
        for (size_t b = a + 1; b < pal.size(); ++b)
            EXPECT_GT(std::fabs(pal[a].r - pal[b].r) + std::fabs(pal[a].g - pal[b].g) + std::fabs(pal[a].b - pal[b].b), 0.4)
                << a << " and " << b;
    const linksim::StatEye eye = SmallEye();
    ASSERT_EQ(eye.contourBers.size(), pal.size());
    const std::string path = Temp("contours.png");
    ASSERT_EQ(linksim::WriteStatEyePng(path, eye, "contours"), "");
    const Image im(path);
    ASSERT_TRUE(im.Ok());
    std::vector<int> seen(pal.size(), 0);
    for (int y = 40; y < im.H(); ++y)  // below the key
        for (int x = 0; x < im.W(); ++x) {
            int r, g, b;
            im.At(x, y, r, g, b);
            for (size_t l = 0; l < pal.size(); ++l)
                if (std::abs(r - static_cast<int>(std::lround(255 * pal[l].r))) <= 2 &&
                    std::abs(g - static_cast<int>(std::lround(255 * pal[l].g))) <= 2 &&
                    std::abs(b - static_cast<int>(std::lround(255 * pal[l].b))) <= 2)
                    ++seen[l];
        }
    for (size_t l = 0; l < pal.size(); ++l) EXPECT_GT(seen[l], 100) << "contour " << eye.contourBers[l];
    fs::remove(path);
}

// The panels' keys lie inside the panels (the band above each stays
// white), and a point that is an upper bound is drawn as a downward
// triangle, a measured one as a dot.
TEST(Pictures, PanelKeysInsideAndBoundsMarked)
{
    const ReleaseFonts release;
    linksim::PlotPanel a, b;
    a.xLabel = b.xLabel = "loss at Nyquist (dB)";
    a.yLabel = "log10 BER";
    b.yLabel = "eye height (mV)";
    linksim::PlotSeries s;
    s.label = "bit-by-bit, a label long enough to have reached the title's band";
    s.markers = true;
    s.x = {0, 1, 2, 3, 4};
    s.y = {-9, -9, -6, -3, 0};
    s.upperBound = {true, false, false, false, false};
    a.series = {s};
    s.upperBound.clear();
    b.series = {s};
    const std::string path = Temp("panels.png");
    ASSERT_EQ(linksim::WritePanelsPng(path, "Sweep of loss", {a, b}), "");
    const Image im(path);
    ASSERT_TRUE(im.Ok());
    auto white = [&](int x, int y) {
        int r, g, bl;
        im.At(x, y, r, g, bl);
        return r + g + bl == 3 * 255;
    };
    // Panels start at y 45 and 400 (45 + 280 + 75); the title ends by y 32.
    for (int top : {45, 400})
        for (int y = top - 10; y < top - 1; ++y)
            for (int x = 90; x < im.W(); ++x) ASSERT_TRUE(white(x, y)) << "drawn above the panel at " << x << "," << y;
    // The points' pixels: x 0 and 1 lie at 90 + (0.02 + k / 4.08) * 780 of the
    // first panel, y -9 at its bottom (the range padded by 5 %).
    const double w = 780.0, h = 280.0, y0 = -9 - 0.45, y1 = 0 + 0.45;
    auto px = [&](double x) { return static_cast<int>(std::lround(90 + (x + 0.08) / 4.16 * w)); };
    const int py = static_cast<int>(std::lround(45 + h - (-9 - y0) / (y1 - y0) * h));
    EXPECT_FALSE(white(px(0) - 4, py - 3)) << "no triangle at the upper bound";
    EXPECT_TRUE(white(px(1) - 4, py - 3)) << "a measured point drawn as more than a dot";
    fs::remove(path);
}

// The CSV beside each picture holds its figures: one row per phase bin or
// point, BERs floored as in the JSON, no "nan" or "inf" anywhere.
TEST(Pictures, CsvDataBesideThePictures)
{
    linksim::EyeDiagram eye(64, 64, -1.0, 1.0, 16);
    std::vector<float> w(64 * 40);
    for (size_t i = 0; i < w.size(); ++i) w[i] = (i / 64) % 2 ? 0.5f : -0.5f;
    for (int k = 2; k < 38; ++k) eye.Fold(w.data(), w.size(), 0, 64.0 * k + 32.0, 64.0, k % 2 ? 1 : -1);
    const std::string e = linksim::EyeCsv(eye);
    EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 2 * 16 + 1);
    EXPECT_NE(e.find("\n0,0.5,-0.5,1\n"), std::string::npos) << e;

    const linksim::StatEye st = SmallEye();
    const std::string s = linksim::StatEyeCsv(st);
    EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 1 + st.phases * static_cast<long>(st.contourBers.size()));
    const std::string t = linksim::BathtubCsv(&st, linksim::ExtrapolatedEye{});
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 1 + st.phases);
    std::istringstream rows(t);
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row, "curve,x,x_unit,ber");
    while (std::getline(rows, row)) {
        const double ber = std::stod(row.substr(row.rfind(',') + 1));
        EXPECT_GE(ber, linksim::kBerFloor) << row;
    }
    for (const std::string* text : {&e, &s, &t}) {
        EXPECT_EQ(text->find("nan"), std::string::npos);
        EXPECT_EQ(text->find("inf"), std::string::npos);
    }
    EXPECT_EQ(linksim::BathtubCsv(nullptr, linksim::ExtrapolatedEye{}), "");
}

}  // namespace
