#include "platform/fonts.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

#include "core/text.h"
#include "css/css_shorthands.h"

namespace fonts {
namespace {

const wchar_t* const kFallback[] = {L"Microsoft YaHei",
                                    L"Microsoft JhengHei",
                                    L"Meiryo",
                                    L"Yu Gothic",
                                    L"MS Gothic",
                                    L"MS UI Gothic",
                                    L"SimSun",
                                    L"PMingLiU",
                                    L"Malgun Gothic",
                                    L"WenQuanYi Micro Hei",
                                    L"WenQuanYi Zen Hei",
                                    L"Noto Sans CJK SC",
                                    L"Noto Sans CJK JP",
                                    L"Noto Sans CJK TC",
                                    L"Source Han Sans SC",
                                    L"Droid Sans Fallback",
                                    L"AR PL UMing CN",
                                    L"Arial Unicode MS",
                                    L"Segoe UI",
                                    L"Tahoma",
                                    L"DejaVu Sans"};
const wchar_t* const kSans[] = {L"Segoe UI", L"Arial", L"Tahoma", L"Liberation Sans", L"DejaVu Sans"};
const wchar_t* const kSerif[] = {L"Times New Roman", L"Liberation Serif", L"DejaVu Serif", L"Tahoma"};
const wchar_t* const kMono[] = {L"Consolas", L"Courier New", L"Liberation Mono", L"DejaVu Sans Mono", L"Courier"};

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}

int CALLBACK CollectFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
  reinterpret_cast<std::set<std::wstring>*>(param)->insert(Lower(lf->lfFaceName));
  return 1;
}

struct Face {
  HFONT font = nullptr;
  std::unordered_map<wchar_t, bool> glyphs;
  double ascent = 0, descent = 0;
  ~Face() {
    if (font) DeleteObject(font);
  }
};

// A key's faces in order: its families that exist, then the fallback chain.
struct FaceList {
  std::vector<Face*> faces;
  std::unordered_map<wchar_t, int> choice;
};

struct State {
  HDC dc = nullptr;
  std::set<std::wstring> installed;
  std::map<std::tuple<std::wstring, int, int, bool>, std::unique_ptr<Face>> faces;
  std::map<std::tuple<std::wstring, int, int, bool>, std::unique_ptr<FaceList>> lists;
  // Scratch surface for rasterising.
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  uint32_t* bits = nullptr;
  int width = 0, height = 0;
};
State* state = nullptr;

State& S() {
  if (!state) {
    state = new State;
    state->dc = CreateCompatibleDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(state->dc, &lf, CollectFamily, reinterpret_cast<LPARAM>(&state->installed), 0);
  }
  return *state;
}

Face* GetFace(const std::wstring& family, int size, int weight, bool italic) {
  State& s = S();
  auto key = std::make_tuple(family, size, weight, italic);
  auto it = s.faces.find(key);
  if (it != s.faces.end()) return it->second.get();
  auto face = std::make_unique<Face>();
  LOGFONTW lf{};
  lf.lfHeight = -std::max(1, size);
  lf.lfWeight = weight;
  lf.lfItalic = italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfQuality = ANTIALIASED_QUALITY;
  wcsncpy(lf.lfFaceName, family.c_str(), LF_FACESIZE - 1);
  face->font = CreateFontIndirectW(&lf);
  if (face->font) {
    HGDIOBJ old = SelectObject(s.dc, face->font);
    TEXTMETRICW tm{};
    GetTextMetricsW(s.dc, &tm);
    face->ascent = tm.tmAscent;
    face->descent = tm.tmDescent;
    SelectObject(s.dc, old);
  }
  Face* raw = face.get();
  s.faces[key] = std::move(face);
  return raw;
}

void AddFamily(std::vector<std::wstring>& out, const std::wstring& name) {
  const State& s = S();
  if (s.installed.count(Lower(name)) && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
}

FaceList& List(const Key& key) {
  State& s = S();
  auto k = std::make_tuple(key.family, key.size, key.weight, key.italic);
  auto it = s.lists.find(k);
  if (it != s.lists.end()) return *it->second;
  std::vector<std::wstring> names;
  for (const std::string& item : css::SplitCommas(text::WideToCesu(key.family))) {
    std::wstring name = text::CesuToWide(text::Trim(item));
    if (name.size() >= 2 && (name[0] == L'"' || name[0] == L'\'') && name.back() == name[0])
      name = name.substr(1, name.size() - 2);
    std::wstring lower = Lower(name);
    if (lower == L"sans-serif" || lower == L"system-ui" || lower == L"-apple-system") {
      for (const wchar_t* f : kSans) AddFamily(names, f);
    } else if (lower == L"serif") {
      for (const wchar_t* f : kSerif) AddFamily(names, f);
    } else if (lower == L"monospace") {
      for (const wchar_t* f : kMono) AddFamily(names, f);
    } else {
      AddFamily(names, name);
    }
  }
  if (names.empty()) {
    for (const wchar_t* f : kSans) AddFamily(names, f);
  }
  for (const wchar_t* f : kFallback) AddFamily(names, f);
  auto list = std::make_unique<FaceList>();
  for (const std::wstring& name : names) list->faces.push_back(GetFace(name, key.size, key.weight, key.italic));
  if (list->faces.empty()) list->faces.push_back(GetFace(L"", key.size, key.weight, key.italic));
  FaceList& ref = *list;
  s.lists[k] = std::move(list);
  return ref;
}

bool FaceHas(Face& face, wchar_t c) {
  auto it = face.glyphs.find(c);
  if (it != face.glyphs.end()) return it->second;
  State& s = S();
  HGDIOBJ old = SelectObject(s.dc, face.font);
  WORD index = 0xFFFF;
  bool has = GetGlyphIndicesW(s.dc, &c, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 && index != 0xFFFF;
  SelectObject(s.dc, old);
  face.glyphs[c] = has;
  return has;
}

// Index into list.faces of the face that draws c (control and space characters: the first).
int Choose(FaceList& list, wchar_t c) {
  if (c < 0x80) return 0;
  auto it = list.choice.find(c);
  if (it != list.choice.end()) return it->second;
  int chosen = 0;
  for (size_t i = 0; i < list.faces.size(); ++i) {
    if (FaceHas(*list.faces[i], c)) {
      chosen = static_cast<int>(i);
      break;
    }
  }
  list.choice[c] = chosen;
  return chosen;
}

struct Run {
  int face;
  size_t start, length;
};

std::vector<Run> Runs(FaceList& list, std::wstring_view text) {
  std::vector<Run> runs;
  for (size_t i = 0; i < text.size();) {
    size_t n = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1;
    int face = Choose(list, text[i]);
    if (!runs.empty() && runs.back().face == face) runs.back().length += n;
    else runs.push_back({face, i, n});
    i += n;
  }
  return runs;
}

// Advances of one run in its face.
void RunAdvances(Face& face, std::wstring_view text, std::vector<double>& out) {
  State& s = S();
  HGDIOBJ old = SelectObject(s.dc, face.font);
  std::vector<INT> fit(text.size());
  SIZE size{};
  GetTextExtentExPointW(s.dc, text.data(), static_cast<int>(text.size()), 0, nullptr, fit.data(), &size);
  SelectObject(s.dc, old);
  int previous = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    out.push_back(fit[i] - previous);
    previous = fit[i];
  }
}

}  // namespace

Metrics MetricsOf(const Key& key) {
  FaceList& list = List(key);
  return {list.faces[0]->ascent, list.faces[0]->descent};
}

std::vector<double> Advances(const Key& key, std::wstring_view text, double letterSpacing) {
  std::vector<double> out;
  out.reserve(text.size());
  FaceList& list = List(key);
  for (const Run& r : Runs(list, text))
    RunAdvances(*list.faces[static_cast<size_t>(r.face)], text.substr(r.start, r.length), out);
  if (letterSpacing != 0) {
    for (size_t i = 0; i < out.size(); ++i) {
      bool lowSurrogate = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
      if (!lowSurrogate) out[i] += letterSpacing;
    }
  }
  return out;
}

double Measure(const Key& key, std::wstring_view text, double letterSpacing) {
  if (text.empty()) return 0;
  FaceList& list = List(key);
  State& s = S();
  double total = 0;
  for (const Run& r : Runs(list, text)) {
    HGDIOBJ old = SelectObject(s.dc, list.faces[static_cast<size_t>(r.face)]->font);
    SIZE size{};
    GetTextExtentPoint32W(s.dc, text.data() + r.start, static_cast<int>(r.length), &size);
    SelectObject(s.dc, old);
    total += size.cx;
  }
  if (letterSpacing != 0) {
    size_t chars = 0;
    for (wchar_t c : text) chars += (c >= 0xDC00 && c <= 0xDFFF) ? 0 : 1;
    total += letterSpacing * static_cast<double>(chars);
  }
  return total;
}

bool HasGlyph(const Key& key, wchar_t c) {
  FaceList& list = List(key);
  for (Face* f : list.faces) {
    if (FaceHas(*f, c)) return true;
  }
  return false;
}

void Rasterize(const Key& key, std::wstring_view text, double letterSpacing, int width, int height, int originX,
               int baseline, std::vector<unsigned char>& mask) {
  mask.assign(static_cast<size_t>(std::max(0, width)) * static_cast<size_t>(std::max(0, height)), 0);
  if (width <= 0 || height <= 0 || text.empty()) return;
  State& s = S();
  if (width > s.width || height > s.height) {
    if (s.bitmap) {
      SelectObject(s.dc, s.oldBitmap);
      DeleteObject(s.bitmap);
    }
    s.width = std::max(width, s.width);
    s.height = std::max(height, s.height);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = s.width;
    bi.bmiHeader.biHeight = -s.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    s.bitmap = CreateDIBSection(s.dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    s.bits = static_cast<uint32_t*>(bits);
    if (!s.bitmap) {
      s.width = s.height = 0;
      return;
    }
    s.oldBitmap = SelectObject(s.dc, s.bitmap);
  }
  GdiFlush();
  for (int y = 0; y < height; ++y)
    std::memset(s.bits + static_cast<size_t>(y) * static_cast<size_t>(s.width), 0, static_cast<size_t>(width) * 4);
  FaceList& list = List(key);
  std::vector<double> advances = Advances(key, text, letterSpacing);
  SetBkMode(s.dc, TRANSPARENT);
  SetTextColor(s.dc, RGB(255, 255, 255));
  SetTextAlign(s.dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  double x = originX;
  for (const Run& r : Runs(list, text)) {
    HGDIOBJ old = SelectObject(s.dc, list.faces[static_cast<size_t>(r.face)]->font);
    std::vector<INT> dx(r.length);
    double start = x;
    for (size_t i = 0; i < r.length; ++i) {
      double next = x + advances[r.start + i];
      dx[i] = static_cast<INT>(std::lround(next) - std::lround(x));
      x = next;
    }
    ExtTextOutW(s.dc, static_cast<int>(std::lround(start)), baseline, 0, nullptr, text.data() + r.start,
                static_cast<UINT>(r.length), dx.data());
    SelectObject(s.dc, old);
  }
  GdiFlush();
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = s.bits + static_cast<size_t>(y) * static_cast<size_t>(s.width);
    unsigned char* out = mask.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int xx = 0; xx < width; ++xx) {
      uint32_t p = row[xx];
      unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      out[xx] = static_cast<unsigned char>(std::max(r, std::max(g, b)));
    }
  }
}

void Release() {
  if (!state) return;
  if (state->bitmap) {
    SelectObject(state->dc, state->oldBitmap);
    DeleteObject(state->bitmap);
  }
  state->lists.clear();
  state->faces.clear();
  DeleteDC(state->dc);
  delete state;
  state = nullptr;
}

}  // namespace fonts
