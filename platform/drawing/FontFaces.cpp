// Font resolution and glyph rendering: the face map over fontconfig, FreeType
// glyphs with per-character fallback and a glyph cache, and the built-in
// fixed-metrics test face.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/drawing/detail/FontInternals.h"
#include "platform/drawing/detail/GdiInternals.h"
#include "platform/drawing/Text.h"

namespace platform {
namespace {

constexpr int kMaxEmSize = 512;
constexpr size_t kMaxCachedGlyphs = 8192;  // per renderer
std::atomic<int> g_testFontScopes{0};

bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

void Blend(std::uint32_t* out, std::uint32_t pixel, unsigned coverage) {
    if (coverage == 0) return;
    if (coverage >= 255) {
        *out = pixel;
        return;
    }
    std::uint32_t dst = *out, result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        unsigned s = (pixel >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        result |= ((s * coverage + d * (255 - coverage) + 127) / 255) << shift;
    }
    *out = result;
}

class TestFace : public FontRenderer {
public:
    explicit TestFace(int em) : m_em(em) {}
    int Ascent() const override { return m_em - m_em / 5; }
    int Descent() const override { return m_em / 5; }
    int EmSize() const override { return m_em; }
    int Advance(char32_t c) override {
        if (c == U'\t') return std::max(1, m_em / 2) * 4;
        return IsWide(c) ? m_em : std::max(1, m_em / 2);
    }
    void DrawGlyph(Surface& surface, int x, int baseline, char32_t c, std::uint32_t pixel, const RECT& clip) override {
        if (c == U' ' || c == U'\t' || c == 0xA0 || c == 0x3000) return;
        int width = Advance(c);
        int left = x + (width > 2 ? 1 : 0), right = x + width - (width > 2 ? 1 : 0);
        int top = baseline - Ascent() + 1, bottom = baseline;
        for (int y = std::max<LONG>(top, clip.top); y < std::min<LONG>(bottom, clip.bottom); ++y)
            for (int px = std::max<LONG>(left, clip.left); px < std::min<LONG>(right, clip.right); ++px)
                surface.Row(y)[px] = pixel;
    }

private:
    int m_em;
};

struct Glyph {
    int advance = 0;
    int left = 0, top = 0, width = 0, rows = 0;
    std::vector<unsigned char> coverage;
};

struct FaceFile {
    std::string path;
    int index = 0;
    bool bold = false;  // the file itself is bold
};

// FreeType is not thread-safe per library: one lock guards every FT call and
// every glyph cache.
std::mutex& FreeTypeLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library created = nullptr;
        if (FT_Init_FreeType(&created) != 0) created = nullptr;
        return created;
    }();
    return library;
}

// Fontconfig's pick for a family; empty path when nothing matches it.
FaceFile Match(const std::string& family, bool bold) {
    static std::mutex lock;
    static std::map<std::pair<std::string, bool>, FaceFile> cache;
    std::lock_guard<std::mutex> guard(lock);
    auto key = std::make_pair(family, bold);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    FaceFile result;
    if (FcInit()) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult outcome = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &outcome);
        if (match != nullptr) {
            FcChar8* file = nullptr;
            int index = 0, weight = FC_WEIGHT_REGULAR;
            // Only the asked family counts: fontconfig's nearest other face
            // would give wrong metrics silently.
            bool sameFamily = false;
            FcChar8* matchedFamily = nullptr;
            for (int n = 0; FcPatternGetString(match, FC_FAMILY, n, &matchedFamily) == FcResultMatch; ++n)
                sameFamily = sameFamily || std::string(reinterpret_cast<char*>(matchedFamily)) == family;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && sameFamily) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
                result.path = reinterpret_cast<char*>(file);
                result.index = index;
                // A regular file that the configuration would embolden
                // reports the weight asked for: it is not bold itself.
                FcBool embolden = FcFalse;
                FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
                result.bold = weight >= FC_WEIGHT_BOLD && !embolden;
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    cache[key] = result;
    return result;
}

std::string MappedFamily(const std::wstring& face) {
    if (face == L"微软雅黑") return "WenQuanYi Micro Hei";
    if (face == L"Arial" || face == L"ArialMT" || face == L"Liberation Sans") return "Liberation Sans";
    return "DejaVu Sans";
}

class FreeTypeFont : public FontRenderer {
public:
    // `files` is the face chain: the mapped face first, then the fallbacks.
    FreeTypeFont(const std::vector<FaceFile>& files, int em, bool bold) : m_em(em), m_bold(bold) {
        std::lock_guard<std::mutex> guard(FreeTypeLock());
        for (const FaceFile& file : files) {
            FT_Face face = nullptr;
            if (Library() == nullptr || FT_New_Face(Library(), file.path.c_str(), file.index, &face) != 0) continue;
            if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) {
                FT_Done_Face(face);
                continue;
            }
            // A face with CJK ideographs draws Latin marks full-width.
            m_faces.push_back(Loaded{face, bold && !file.bold, FT_Get_Char_Index(face, 0x4E00) != 0});
        }
        if (!m_faces.empty()) {
            FT_Size_Metrics& metrics = m_faces.front().face->size->metrics;
            m_ascent = static_cast<int>((metrics.ascender + 63) >> 6);
            m_descent = static_cast<int>((-metrics.descender + 63) >> 6);
        }
    }
    ~FreeTypeFont() override {
        std::lock_guard<std::mutex> guard(FreeTypeLock());
        for (Loaded& loaded : m_faces) FT_Done_Face(loaded.face);
    }
    bool Usable() const { return !m_faces.empty(); }
    int Ascent() const override { return m_ascent; }
    int Descent() const override { return m_descent; }
    int EmSize() const override { return m_em; }

    int Advance(char32_t c) override {
        std::lock_guard<std::mutex> guard(FreeTypeLock());
        return GlyphLocked(c).advance;
    }

    void DrawGlyph(Surface& surface, int x, int baseline, char32_t c, std::uint32_t pixel, const RECT& clip) override {
        std::lock_guard<std::mutex> guard(FreeTypeLock());
        const Glyph& glyph = GlyphLocked(c);
        int originX = x + glyph.left, originY = baseline - glyph.top;
        for (int row = 0; row < glyph.rows; ++row) {
            int y = originY + row;
            if (y < clip.top || y >= clip.bottom) continue;
            std::uint32_t* out = surface.Row(y);
            const unsigned char* coverage = glyph.coverage.data() + static_cast<size_t>(row) * glyph.width;
            for (int column = 0; column < glyph.width; ++column) {
                int px = originX + column;
                if (px < clip.left || px >= clip.right) continue;
                Blend(out + px, pixel, coverage[column]);
            }
        }
    }

private:
    struct Loaded {
        FT_Face face;
        bool embolden;  // bold asked for and the file is not bold: synthesised
        bool cjk;
    };

    // True when `face`'s glyph at `index` is at least nearly an em wide.
    bool FullWidth(FT_Face face, FT_UInt index) const {
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return false;
        return face->glyph->advance.x >= static_cast<FT_Pos>(m_em) * 64 * 9 / 10;
    }

    const Glyph& GlyphLocked(char32_t c) {
        auto it = m_cache.find(c);
        if (it != m_cache.end()) return it->second;
        if (m_cache.size() >= kMaxCachedGlyphs) m_cache.clear();
        Glyph glyph;
        const Loaded* chosen = &m_faces.front();
        FT_UInt index = 0;
        for (const Loaded& loaded : m_faces) {
            index = FT_Get_Char_Index(loaded.face, c);
            if (index != 0) {
                chosen = &loaded;
                break;
            }
        }
        // Quotes, dashes and other narrow characters that a CJK face draws
        // full-width come from a Latin face of the chain, so Latin text keeps
        // its spacing ("„Ja“" with no gaps).
        if (index != 0 && chosen->cjk && !IsWide(c) && FullWidth(chosen->face, index)) {
            for (const Loaded& loaded : m_faces) {
                FT_UInt latin = loaded.cjk ? 0 : FT_Get_Char_Index(loaded.face, c);
                if (latin != 0) {
                    chosen = &loaded;
                    index = latin;
                    break;
                }
            }
        }
        FT_Face face = chosen->face;
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) == 0) {
            if (chosen->embolden) FT_GlyphSlot_Embolden(face->glyph);
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
                FT_Bitmap& bitmap = face->glyph->bitmap;
                glyph.left = face->glyph->bitmap_left;
                glyph.top = face->glyph->bitmap_top;
                glyph.width = static_cast<int>(bitmap.width);
                glyph.rows = static_cast<int>(bitmap.rows);
                glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
                for (int row = 0; row < glyph.rows; ++row)
                    std::copy_n(bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch, glyph.width,
                                glyph.coverage.data() + static_cast<size_t>(row) * glyph.width);
            }
            glyph.advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
        }
        return m_cache.emplace(c, std::move(glyph)).first->second;
    }

    int m_em;
    bool m_bold;
    int m_ascent = 0, m_descent = 0;
    std::vector<Loaded> m_faces;
    std::map<char32_t, Glyph> m_cache;
};

int EmFor(const LOGFONTW& logFont, const FontRenderer* probe) {
    LONG height = logFont.lfHeight;
    if (height < 0) return std::clamp<int>(-height, 1, kMaxEmSize);
    if (height == 0) return 12;
    // A positive height is the cell (ascent + descent): scale the em to it.
    if (probe == nullptr || probe->Height() <= 0) return std::clamp<int>(height, 1, kMaxEmSize);
    return std::clamp<int>(height * probe->EmSize() / probe->Height(), 1, kMaxEmSize);
}

}  // namespace

std::shared_ptr<FontRenderer> ResolveFont(const LOGFONTW& logFont) {
    std::wstring face(logFont.lfFaceName, wcsnlen(logFont.lfFaceName, LF_FACESIZE));
    bool bold = logFont.lfWeight >= 600;
    bool test = g_testFontScopes.load() > 0 || face == kTestFontFace;
    static std::mutex lock;
    static std::map<std::tuple<std::wstring, int, bool, bool>, std::shared_ptr<FontRenderer>> cache;

    auto build = [&](int em) -> std::shared_ptr<FontRenderer> {
        std::lock_guard<std::mutex> guard(lock);
        auto key = std::make_tuple(test ? std::wstring(kTestFontFace) : face, em, bold, test);
        auto it = cache.find(key);
        if (it != cache.end()) return it->second;
        std::shared_ptr<FontRenderer> renderer;
        if (!test) {
            std::vector<FaceFile> chain;
            for (const std::string& family : {MappedFamily(face), std::string("DejaVu Sans"),
                                              std::string("WenQuanYi Micro Hei"), std::string("Liberation Sans")}) {
                FaceFile file = Match(family, bold);
                if (file.path.empty()) continue;
                bool seen = false;
                for (const FaceFile& other : chain)
                    seen = seen || (other.path == file.path && other.index == file.index);
                if (!seen) chain.push_back(file);
            }
            auto freeType = std::make_shared<FreeTypeFont>(chain, em, bold);
            if (freeType->Usable()) renderer = freeType;
        }
        // Without any installed face the test face keeps text measurable.
        if (!renderer) renderer = std::make_shared<TestFace>(em);
        cache[key] = renderer;
        return renderer;
    };
    if (logFont.lfHeight > 0) return build(EmFor(logFont, build(std::max<LONG>(1, logFont.lfHeight)).get()));
    return build(EmFor(logFont, nullptr));
}

ScopedTestFont::ScopedTestFont() { ++g_testFontScopes; }
ScopedTestFont::~ScopedTestFont() { --g_testFontScopes; }

std::string FontFileForFace(const wchar_t* faceName, bool bold) {
    std::wstring face = faceName != nullptr ? faceName : L"";
    if (face == kTestFontFace) return {};
    return Match(MappedFamily(face), bold).path;
}

}  // namespace platform

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps allocations of its one-time configuration that the leak
// checker cannot see from a root; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
