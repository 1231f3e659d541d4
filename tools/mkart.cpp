/* mkart: draws the program's icons and bitmaps from a small text description and writes
   them as .ico and .bmp files plus a resource script that names them.

   Usage: mkart <description> <output directory> <resource script to write>

   Description language, one command a line, '#' starts a comment line:
     color C RRGGBB              palette letter for sprites ('.' is always transparent)
     glyph C W                   a font glyph W pixels wide; 10 rows of '#' and '.' follow
     sprite NAME W H             H rows of palette letters follow
     image KIND NAME W H [bg RRGGBB] [bpp 4|24]
                                 KIND is bitmap or icon; drawing commands up to "end".
                                 Images of one icon name with several sizes form one file.
       fill RRGGBB
       rect X Y W H RRGGBB       filled rectangle
       frame X Y W H RRGGBB      rectangle outline
       line X1 Y1 X2 Y2 RRGGBB
       ellipse X Y W H RRGGBB    filled ellipse in the box
       put SPRITE X Y
       text X Y RRGGBB "TEXT"    in the glyph font, baseline 8 rows below Y
       bold X Y RRGGBB "TEXT"    the same drawn twice, one pixel apart
     end
     disabled NEWNAME SOURCE     greyed, embossed copy of an image (every size of an icon) */
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const uint32_t kTransparent = 0xFF000000u;  // pixel value outside the 24-bit colours

struct Image {
    std::string name;
    bool icon = false;
    int w = 0, h = 0;
    int bpp = 24;
    uint32_t bg = kTransparent;
    std::vector<uint32_t> px;  // 0xRRGGBB or kTransparent, row 0 at the top

    void set(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h)
            px[y * w + x] = c;
    }
    uint32_t get(int x, int y) const {
        return (x >= 0 && y >= 0 && x < w && y < h) ? px[y * w + x] : bg;
    }
};

struct Glyph {
    int width = 0;
    std::vector<std::string> rows;
};

struct Sprite {
    int w = 0, h = 0;
    std::vector<std::string> rows;
};

std::map<char, uint32_t> g_palette;
std::map<char, Glyph> g_glyphs;
std::map<std::string, Sprite> g_sprites;
std::vector<Image> g_images;  // in description order
int g_line = 0;

[[noreturn]] void fail(std::string const& why) {
    fprintf(stderr, "mkart: line %d: %s\n", g_line, why.c_str());
    exit(1);
}

uint32_t parseColour(std::string const& s) {
    char* end = 0;
    unsigned long v = strtoul(s.c_str(), &end, 16);
    if (s.empty() || *end)
        fail("bad colour " + s);
    return (uint32_t)v & 0xFFFFFFu;
}

int parseInt(std::string const& s) {
    char* end = 0;
    long v = strtol(s.c_str(), &end, 10);
    if (s.empty() || *end)
        fail("bad number " + s);
    return (int)v;
}

/* Splits a command line into words; a double-quoted part is one word without the quotes. */
std::vector<std::string> words(std::string const& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            i++;
        if (i >= line.size())
            break;
        if (line[i] == '"') {
            size_t j = line.find('"', i + 1);
            if (j == std::string::npos)
                fail("unterminated text");
            out.push_back(line.substr(i + 1, j - i - 1));
            i = j + 1;
        } else {
            size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t')
                j++;
            out.push_back(line.substr(i, j - i));
            i = j;
        }
    }
    return out;
}

void drawLine(Image& img, int x1, int y1, int x2, int y2, uint32_t c) {
    int dx = abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    int dy = -abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        img.set(x1, y1, c);
        if (x1 == x2 && y1 == y2)
            break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

void drawEllipse(Image& img, int x, int y, int w, int h, uint32_t c) {
    double cx = x + w / 2.0, cy = y + h / 2.0, rx = w / 2.0, ry = h / 2.0;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++) {
            double nx = (i + 0.5 - cx) / rx, ny = (j + 0.5 - cy) / ry;
            if (nx * nx + ny * ny <= 1.0)
                img.set(i, j, c);
        }
}

void drawText(Image& img, int x, int y, uint32_t c, std::string const& text) {
    for (char ch : text) {
        if (ch == ' ') {
            x += 3;
            continue;
        }
        auto it = g_glyphs.find(ch);
        if (it == g_glyphs.end())
            fail(std::string("no glyph for '") + ch + "'");
        Glyph const& g = it->second;
        for (size_t r = 0; r < g.rows.size(); r++)
            for (int i = 0; i < g.width; i++)
                if (g.rows[r][i] == '#')
                    img.set(x + i, y + (int)r, c);
        x += g.width + 1;
    }
}

void putSprite(Image& img, std::string const& name, int x, int y) {
    auto it = g_sprites.find(name);
    if (it == g_sprites.end())
        fail("no sprite " + name);
    Sprite const& s = it->second;
    for (int r = 0; r < s.h; r++)
        for (int i = 0; i < s.w; i++) {
            char p = s.rows[r][i];
            if (p == '.')
                continue;
            auto pc = g_palette.find(p);
            if (pc == g_palette.end())
                fail(std::string("no colour for letter '") + p + "' in sprite " + name);
            img.set(x + i, y + r, pc->second);
        }
}

int luminance(uint32_t c) {
    int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return (r * 30 + g * 59 + b * 11) / 100;
}

/* Dark pixels become a grey shape with a white shadow below and right of it. */
Image disabledOf(Image const& src, std::string const& name) {
    Image d = src;
    d.name = name;
    auto shape = [&](int x, int y) {
        uint32_t c = src.get(x, y);
        return x >= 0 && y >= 0 && x < src.w && y < src.h && c != kTransparent && c != src.bg &&
               luminance(c) < 160;
    };
    for (int y = 0; y < d.h; y++)
        for (int x = 0; x < d.w; x++) {
            uint32_t c = d.bg;
            if (shape(x, y))
                c = 0x808080;
            else if (shape(x - 1, y - 1))
                c = 0xFFFFFF;
            d.px[y * d.w + x] = c;
        }
    return d;
}

void put16(std::string& out, unsigned v) {
    out += (char)(v & 0xFF);
    out += (char)((v >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

/* The sixteen colours of a 4-bit display. */
const uint32_t kVga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                           0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                           0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

int nearestVga(uint32_t c) {
    int best = 0;
    long bestD = -1;
    for (int i = 0; i < 16; i++) {
        long dr = (long)((c >> 16) & 0xFF) - (long)((kVga[i] >> 16) & 0xFF);
        long dg = (long)((c >> 8) & 0xFF) - (long)((kVga[i] >> 8) & 0xFF);
        long db = (long)(c & 0xFF) - (long)(kVga[i] & 0xFF);
        long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return best;
}

/* BITMAPINFOHEADER and the pixel rows (bottom-up); heightFactor 2 for icon images. */
std::string dib(Image const& img, int bpp, int heightFactor) {
    std::string out;
    int rowBytes = ((img.w * bpp + 31) / 32) * 4;
    put32(out, 40);
    put32(out, (uint32_t)img.w);
    put32(out, (uint32_t)(img.h * heightFactor));
    put16(out, 1);
    put16(out, (unsigned)bpp);
    put32(out, 0);
    put32(out, (uint32_t)(rowBytes * img.h));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, bpp == 4 ? 16 : 0);
    put32(out, 0);
    if (bpp == 4)
        for (uint32_t c : kVga)
            put32(out, c);  // B, G, R, 0 in memory order
    for (int y = img.h - 1; y >= 0; y--) {
        std::string row;
        if (bpp == 24) {
            for (int x = 0; x < img.w; x++) {
                uint32_t c = img.get(x, y);
                if (c == kTransparent)
                    c = 0;
                row += (char)(c & 0xFF);
                row += (char)((c >> 8) & 0xFF);
                row += (char)((c >> 16) & 0xFF);
            }
        } else {
            for (int x = 0; x < img.w; x += 2) {
                uint32_t a = img.get(x, y), b = x + 1 < img.w ? img.get(x + 1, y) : 0;
                int hi = nearestVga(a == kTransparent ? 0 : a);
                int lo = nearestVga(b == kTransparent ? 0 : b);
                row += (char)((hi << 4) | lo);
            }
        }
        row.resize(rowBytes, '\0');
        out += row;
    }
    return out;
}

std::string andMask(Image const& img) {
    std::string out;
    int rowBytes = ((img.w + 31) / 32) * 4;
    for (int y = img.h - 1; y >= 0; y--) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < img.w; x++)
            if (img.get(x, y) == kTransparent)
                row[x / 8] = (char)(row[x / 8] | (0x80 >> (x % 8)));
        out += row;
    }
    return out;
}

void writeFile(std::string const& path, std::string const& data) {
    std::ofstream f(path, std::ios::binary);
    f.write(data.data(), (std::streamsize)data.size());
    if (!f)
        fail("cannot write " + path);
}

std::string bmpFile(Image const& img) {
    std::string body = dib(img, img.bpp, 1);
    std::string out = "BM";
    uint32_t offBits = 14 + 40 + (img.bpp == 4 ? 64 : 0);
    put32(out, (uint32_t)(14 + body.size()));
    put32(out, 0);
    put32(out, offBits);
    return out + body;
}

std::string icoFile(std::vector<Image const*> const& sizes) {
    std::string dir, data;
    put16(dir, 0);
    put16(dir, 1);
    put16(dir, (unsigned)sizes.size());
    uint32_t offset = 6 + 16 * (uint32_t)sizes.size();
    for (Image const* img : sizes) {
        std::string one = dib(*img, 24, 2) + andMask(*img);
        dir += (char)(img->w >= 256 ? 0 : img->w);
        dir += (char)(img->h >= 256 ? 0 : img->h);
        dir += (char)0;
        dir += (char)0;
        put16(dir, 1);
        put16(dir, 24);
        put32(dir, (uint32_t)one.size());
        put32(dir, offset);
        offset += (uint32_t)one.size();
        data += one;
    }
    return dir + data;
}

std::string readRow(std::istream& in) {
    std::string row;
    if (!std::getline(in, row))
        fail("description ends inside a block");
    g_line++;
    while (!row.empty() && (row.back() == '\r' || row.back() == ' '))
        row.pop_back();
    return row;
}

void parse(std::istream& in) {
    std::string line;
    Image* cur = 0;
    while (std::getline(in, line)) {
        g_line++;
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#')
            continue;
        std::string const& cmd = w[0];
        if (cur) {
            if (cmd == "end") {
                cur = 0;
            } else if (cmd == "fill" && w.size() == 2) {
                uint32_t c = parseColour(w[1]);
                for (uint32_t& p : cur->px)
                    p = c;
            } else if ((cmd == "rect" || cmd == "frame" || cmd == "ellipse") && w.size() == 6) {
                int x = parseInt(w[1]), y = parseInt(w[2]), ww = parseInt(w[3]), hh = parseInt(w[4]);
                uint32_t c = parseColour(w[5]);
                if (cmd == "ellipse")
                    drawEllipse(*cur, x, y, ww, hh, c);
                else if (cmd == "rect") {
                    for (int j = y; j < y + hh; j++)
                        for (int i = x; i < x + ww; i++)
                            cur->set(i, j, c);
                } else {
                    drawLine(*cur, x, y, x + ww - 1, y, c);
                    drawLine(*cur, x, y + hh - 1, x + ww - 1, y + hh - 1, c);
                    drawLine(*cur, x, y, x, y + hh - 1, c);
                    drawLine(*cur, x + ww - 1, y, x + ww - 1, y + hh - 1, c);
                }
            } else if (cmd == "line" && w.size() == 6) {
                drawLine(*cur, parseInt(w[1]), parseInt(w[2]), parseInt(w[3]), parseInt(w[4]),
                         parseColour(w[5]));
            } else if (cmd == "put" && w.size() == 4) {
                putSprite(*cur, w[1], parseInt(w[2]), parseInt(w[3]));
            } else if ((cmd == "text" || cmd == "bold") && w.size() == 5) {
                int x = parseInt(w[1]), y = parseInt(w[2]);
                uint32_t c = parseColour(w[3]);
                drawText(*cur, x, y, c, w[4]);
                if (cmd == "bold")
                    drawText(*cur, x + 1, y, c, w[4]);
            } else {
                fail("unknown drawing command: " + line);
            }
            continue;
        }
        if (cmd == "color" && w.size() == 3 && w[1].size() == 1) {
            if (w[1][0] == '.')
                fail("'.' is the transparent letter");
            g_palette[w[1][0]] = parseColour(w[2]);
        } else if (cmd == "glyph" && w.size() == 3 && w[1].size() == 1) {
            Glyph g;
            g.width = parseInt(w[2]);
            for (int r = 0; r < 10; r++) {
                std::string row = readRow(in);
                if ((int)row.size() != g.width)
                    fail(std::string("glyph '") + w[1] + "' row has the wrong width");
                g.rows.push_back(row);
            }
            g_glyphs[w[1][0]] = g;
        } else if (cmd == "sprite" && w.size() == 4) {
            Sprite s;
            s.w = parseInt(w[2]);
            s.h = parseInt(w[3]);
            for (int r = 0; r < s.h; r++) {
                std::string row = readRow(in);
                if ((int)row.size() != s.w)
                    fail("sprite " + w[1] + " row has the wrong width");
                s.rows.push_back(row);
            }
            g_sprites[w[1]] = s;
        } else if (cmd == "image" && w.size() >= 5) {
            Image img;
            if (w[1] != "bitmap" && w[1] != "icon")
                fail("image kind must be bitmap or icon");
            img.icon = w[1] == "icon";
            img.name = w[2];
            img.w = parseInt(w[3]);
            img.h = parseInt(w[4]);
            for (size_t i = 5; i + 1 < w.size(); i += 2) {
                if (w[i] == "bg")
                    img.bg = parseColour(w[i + 1]);
                else if (w[i] == "bpp")
                    img.bpp = parseInt(w[i + 1]);
                else
                    fail("unknown image option " + w[i]);
            }
            if (img.w <= 0 || img.h <= 0 || img.w > 256 || img.h > 256)
                fail("bad image size");
            if (img.bpp != 4 && img.bpp != 24)
                fail("bpp must be 4 or 24");
            if (!img.icon && img.bg == kTransparent)
                img.bg = 0xC0C0C0;
            img.px.assign(img.w * img.h, img.bg);
            g_images.push_back(img);
            cur = &g_images.back();
        } else if (cmd == "disabled" && w.size() == 3) {
            std::vector<Image> made;
            for (Image const& img : g_images)
                if (img.name == w[2])
                    made.push_back(disabledOf(img, w[1]));
            if (made.empty())
                fail("no image " + w[2]);
            for (Image const& m : made)
                g_images.push_back(m);
        } else {
            fail("unknown command: " + line);
        }
    }
    if (cur)
        fail("image " + cur->name + " has no end");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: mkart <description> <output directory> <resource script>\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        fprintf(stderr, "mkart: cannot read %s\n", argv[1]);
        return 1;
    }
    parse(in);
    std::string outDir = argv[2];
    std::ostringstream rc;
    rc << "/* Generated by mkart from " << argv[1] << ". */\n";
    std::vector<std::string> done;
    for (Image const& img : g_images) {
        bool seen = false;
        for (std::string const& d : done)
            seen = seen || d == img.name;
        if (seen)
            continue;
        done.push_back(img.name);
        if (img.icon) {
            std::vector<Image const*> sizes;
            for (Image const& other : g_images)
                if (other.name == img.name)
                    sizes.push_back(&other);
            std::string path = outDir + "/" + img.name + ".ico";
            writeFile(path, icoFile(sizes));
            rc << img.name << " ICON \"" << path << "\"\n";
        } else {
            std::string path = outDir + "/" + img.name + ".bmp";
            writeFile(path, bmpFile(img));
            rc << img.name << " BITMAP \"" << path << "\"\n";
        }
    }
    writeFile(argv[3], rc.str());
    return 0;
}
