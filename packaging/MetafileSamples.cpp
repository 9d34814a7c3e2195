// SPDX-License-Identifier: GPL-2.0-or-later
// Draws the sample show's metafiles: a few scenes of plain filled shapes, written as Windows
// enhanced metafiles (EMF) and Windows metafiles (WMF) with libUEMF.
// Use: MetafileSamples OUTPUT_FOLDER

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <uemf.h>
#include <uwmf.h>
#include <vector>

namespace {

struct Colour
{
    std::uint8_t red, green, blue;
    bool operator<(const Colour& other) const
    {
        return (red << 16 | green << 8 | blue) < (other.red << 16 | other.green << 8 | other.blue);
    }
};

enum class Kind { Rectangle, Ellipse, Polygon };

struct Shape
{
    Kind kind;
    Colour colour;
    std::vector<U_POINT16> points; // two corners, or the polygon's corners
};

struct Scene
{
    std::string name;
    std::int16_t width, height;
    std::vector<Shape> shapes;

    void rectangle(Colour c, int left, int top, int right, int bottom)
    {
        shapes.push_back({ Kind::Rectangle, c, { point(left, top), point(right, bottom) } });
    }
    void ellipse(Colour c, int cx, int cy, int rx, int ry)
    {
        shapes.push_back(
            { Kind::Ellipse, c, { point(cx - rx, cy - ry), point(cx + rx, cy + ry) } });
    }
    void polygon(Colour c, std::initializer_list<std::pair<int, int>> corners)
    {
        Shape shape { Kind::Polygon, c, {} };
        for (const auto& [x, y] : corners)
            shape.points.push_back(point(x, y));
        shapes.push_back(shape);
    }
    // Vertical blend from top to bottom colour in bands, the way a sky or the sea is drawn.
    void bands(Colour top, Colour bottom, int from, int to, int count)
    {
        for (int i = 0; i < count; ++i) {
            auto mix = [&](std::uint8_t a, std::uint8_t b) {
                return static_cast<std::uint8_t>(a + (b - a) * i / (count - 1));
            };
            rectangle({ mix(top.red, bottom.red), mix(top.green, bottom.green),
                          mix(top.blue, bottom.blue) },
                0, from + (to - from) * i / count, width, from + (to - from) * (i + 1) / count + 1);
        }
    }

private:
    static U_POINT16 point(int x, int y)
    {
        return { static_cast<std::int16_t>(x), static_cast<std::int16_t>(y) };
    }
};

void check(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "MetafileSamples: %s failed\n", what.c_str());
        std::exit(1);
    }
}

U_RECTL rectl(const U_POINT16& a, const U_POINT16& b) { return { a.x, a.y, b.x, b.y }; }

void writeEmf(const std::string& path, const Scene& scene)
{
    EMFTRACK* et = nullptr;
    EMFHANDLES* eht = nullptr;
    check(emf_start(path.c_str(), 65536, 65536, &et) == 0, "emf_start " + path);
    check(emf_htable_create(64, 64, &eht) == 0, "emf_htable_create");
    auto append = [&](char* record) {
        check(record && emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), et, 1) == 0,
            "emf_append");
    };

    // One logical unit is one pixel of a 96 dpi reference screen; the frame is in 0.01 mm.
    const U_RECTL bounds { 0, 0, scene.width - 1, scene.height - 1 };
    const U_RECTL frame { 0, 0, scene.width * 2540 / 96, scene.height * 2540 / 96 };
    append(U_EMRHEADER_set(
        bounds, frame, nullptr, 0, nullptr, U_SIZEL { 1024, 768 }, U_SIZEL { 271, 203 }, 0));
    append(U_EMRSETMAPMODE_set(U_MM_TEXT));
    append(U_EMRSETBKMODE_set(U_TRANSPARENT));

    std::uint32_t pen = 0;
    append(
        createpen_set(&pen, eht, logpen_set(U_PS_NULL, U_POINT { 0, 0 }, colorref3_set(0, 0, 0))));
    append(selectobject_set(pen, eht));
    std::map<Colour, std::uint32_t> brushes;
    for (const Shape& shape : scene.shapes) {
        auto [brush, created] = brushes.try_emplace(shape.colour, 0);
        if (created) {
            const U_COLORREF c =
                colorref3_set(shape.colour.red, shape.colour.green, shape.colour.blue);
            append(createbrushindirect_set(&brush->second, eht, logbrush_set(U_BS_SOLID, c, 0)));
        }
        append(selectobject_set(brush->second, eht));
        switch (shape.kind) {
        case Kind::Rectangle:
            append(U_EMRRECTANGLE_set(rectl(shape.points[0], shape.points[1])));
            break;
        case Kind::Ellipse:
            append(U_EMRELLIPSE_set(rectl(shape.points[0], shape.points[1])));
            break;
        case Kind::Polygon: {
            std::vector<U_POINTL> corners;
            U_RECTL box { scene.width, scene.height, 0, 0 };
            for (const U_POINT16& p : shape.points) {
                corners.push_back({ p.x, p.y });
                box = { std::min<int32_t>(box.left, p.x), std::min<int32_t>(box.top, p.y),
                    std::max<int32_t>(box.right, p.x), std::max<int32_t>(box.bottom, p.y) };
            }
            append(U_EMRPOLYGON_set(box, static_cast<uint32_t>(corners.size()), corners.data()));
            break;
        }
        }
    }
    append(U_EMREOF_set(0, nullptr, et));
    check(emf_finish(et, eht) == 0, "emf_finish " + path);
    emf_free(&et);
    emf_htable_free(&eht);
}

void writeWmf(const std::string& path, const Scene& scene)
{
    WMFTRACK* wt = nullptr;
    WMFHANDLES* wht = nullptr;
    check(wmf_start(path.c_str(), 65536, 65536, &wt) == 0, "wmf_start " + path);
    check(wmf_htable_create(64, 64, &wht) == 0, "wmf_htable_create");
    auto append = [&](char* record) {
        check(record && wmf_append(reinterpret_cast<U_METARECORD*>(record), wt, 1) == 0,
            "wmf_append");
    };

    // A placeable header: the picture is width x height units at 96 units per inch.
    U_PAIRF* size = U_PAIRF_set(scene.width / 96.0f, scene.height / 96.0f);
    char* header = U_WMRHEADER_set(size, 96);
    std::free(size);
    check(header && wmf_header_append(reinterpret_cast<U_METARECORD*>(header), wt, 1) == 0,
        "wmf_header_append");
    append(U_WMRSETWINDOWORG_set(U_POINT16 { 0, 0 }));
    append(U_WMRSETWINDOWEXT_set(U_POINT16 { scene.width, scene.height }));
    append(U_WMRSETBKMODE_set(U_TRANSPARENT));

    std::uint32_t pen = 0;
    append(wcreatepenindirect_set(&pen, wht, U_PEN_set(U_PS_NULL, 0, colorref3_set(0, 0, 0))));
    append(wselectobject_set(pen, wht));
    std::map<Colour, std::uint32_t> brushes;
    for (const Shape& shape : scene.shapes) {
        auto [brush, created] = brushes.try_emplace(shape.colour, 0);
        if (created) {
            const U_COLORREF c =
                colorref3_set(shape.colour.red, shape.colour.green, shape.colour.blue);
            append(
                wcreatebrushindirect_set(&brush->second, wht, U_WLOGBRUSH_set(U_BS_SOLID, c, 0)));
        }
        append(wselectobject_set(brush->second, wht));
        const U_RECT16 box { shape.points[0].x, shape.points[0].y, shape.points[1].x,
            shape.points[1].y };
        switch (shape.kind) {
        case Kind::Rectangle:
            append(U_WMRRECTANGLE_set(box));
            break;
        case Kind::Ellipse:
            append(U_WMRELLIPSE_set(box));
            break;
        case Kind::Polygon:
            append(
                U_WMRPOLYGON_set(static_cast<uint16_t>(shape.points.size()), shape.points.data()));
            break;
        }
    }
    append(U_WMREOF_set());
    check(wmf_finish(wt) == 0, "wmf_finish " + path);
    wmf_free(&wt);
    wmf_htable_free(&wht);
}

Scene balloons()
{
    Scene s { "balloons", 800, 600, {} };
    s.bands({ 120, 190, 250 }, { 230, 244, 255 }, 0, 600, 16);
    s.ellipse({ 255, 255, 255 }, 150, 120, 90, 30);
    s.ellipse({ 255, 255, 255 }, 210, 105, 60, 35);
    s.ellipse({ 255, 255, 255 }, 620, 470, 110, 28);
    const std::pair<Colour, std::array<int, 3>> balloons[] = {
        { { 230, 57, 70 }, { 250, 230, 80 } },
        { { 255, 183, 3 }, { 450, 300, 60 } },
        { { 42, 157, 143 }, { 640, 180, 70 } },
    };
    for (const auto& [colour, b] : balloons) {
        const int x = b[0], y = b[1], r = b[2];
        s.polygon({ 90, 60, 40 },
            { { x - 2, y + r }, { x + 2, y + r }, { x + 2, y + r * 2 }, { x - 2, y + r * 2 } });
        s.ellipse(colour, x, y, r, r * 6 / 5);
        s.ellipse({ 255, 255, 255 }, x - r / 3, y - r / 2, r / 6, r / 4);
        s.rectangle({ 120, 80, 50 }, x - r / 5, y + r * 2, x + r / 5, y + r * 2 + r / 3);
    }
    return s;
}

Scene city()
{
    Scene s { "city-at-night", 900, 500, {} };
    s.bands({ 10, 17, 40 }, { 60, 50, 110 }, 0, 500, 12);
    s.ellipse({ 250, 240, 200 }, 720, 100, 45, 45);
    const int blocks[][3] = { { 20, 110, 260 }, { 120, 200, 180 }, { 210, 300, 320 },
        { 310, 390, 220 }, { 400, 500, 360 }, { 510, 580, 250 }, { 590, 700, 300 },
        { 710, 790, 200 }, { 800, 880, 280 } };
    for (const auto& b : blocks) {
        s.rectangle({ 25, 30, 55 }, b[0], 500 - b[2], b[1], 500);
        for (int y = 500 - b[2] + 15; y < 480; y += 30)
            for (int x = b[0] + 12; x + 14 < b[1]; x += 26)
                if ((x * 7 + y * 3) % 5 != 0)
                    s.rectangle({ 255, 214, 102 }, x, y, x + 12, y + 16);
    }
    return s;
}

Scene sailboat()
{
    Scene s { "sailboat", 800, 600, {} };
    s.bands({ 255, 200, 150 }, { 255, 240, 210 }, 0, 360, 10);
    s.ellipse({ 255, 150, 80 }, 600, 330, 70, 70);
    s.bands({ 72, 160, 200 }, { 10, 50, 90 }, 360, 600, 8);
    s.polygon({ 120, 60, 40 }, { { 250, 420 }, { 550, 420 }, { 500, 470 }, { 300, 470 } });
    s.polygon({ 250, 250, 245 }, { { 395, 130 }, { 395, 405 }, { 270, 405 } });
    s.polygon({ 235, 90, 80 }, { { 410, 170 }, { 410, 405 }, { 520, 405 } });
    s.rectangle({ 80, 50, 30 }, 395, 120, 410, 420);
    return s;
}

Scene garden()
{
    Scene s { "garden", 700, 700, {} };
    s.rectangle({ 240, 250, 230 }, 0, 0, 700, 700);
    s.rectangle({ 140, 200, 120 }, 0, 560, 700, 700);
    const std::pair<Colour, std::array<int, 3>> flowers[] = {
        { { 255, 120, 150 }, { 150, 330, 60 } },
        { { 170, 120, 240 }, { 350, 230, 75 } },
        { { 255, 170, 60 }, { 550, 360, 55 } },
    };
    for (const auto& [colour, f] : flowers) {
        const int x = f[0], y = f[1], r = f[2];
        s.rectangle({ 60, 140, 80 }, x - 5, y, x + 5, 600);
        s.ellipse({ 80, 170, 90 }, x + 30, y + 150, 30, 14);
        for (const auto& [dx, dy] : { std::pair { 0, -1 }, { 1, 0 }, { 0, 1 }, { -1, 0 } })
            s.ellipse(colour, x + dx * r, y + dy * r, r * 2 / 3, r * 2 / 3);
        s.ellipse({ 255, 220, 90 }, x, y, r / 2, r / 2);
    }
    return s;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "use: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    writeEmf(folder + balloons().name + ".emf", balloons());
    writeEmf(folder + city().name + ".emf", city());
    writeWmf(folder + sailboat().name + ".wmf", sailboat());
    writeWmf(folder + garden().name + ".wmf", garden());
    return 0;
}
