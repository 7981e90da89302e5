#include "script/error_position.h"

#include <regex>

namespace script {
namespace {

// Beyond this many characters a syntax error's line is not searched (each step compiles the
// script twice); the column is then the line's first character.
constexpr size_t kLongestSearchedLine = 400;
// The search stops, and the column is the line's first character, once it has compiled this
// many bytes (compiling takes some 45 ms per MiB), so a report costs at most about 0.2 s.
constexpr size_t kMostBytesCompiled = size_t{5} << 20;

// Columns in UTF-16 units of a CESU-8 prefix: every byte that does not continue a sequence
// starts one unit (CESU-8 keeps characters beyond U+FFFF as two encoded surrogates).
int ColumnOf(std::string_view lineText, size_t byteOffset) {
  int units = 0;
  for (size_t i = 0; i < byteOffset && i < lineText.size(); ++i) {
    if ((static_cast<unsigned char>(lineText[i]) & 0xC0) != 0x80) ++units;
  }
  return units + 1;
}

int FirstCharacterColumn(std::string_view lineText) {
  size_t i = 0;
  while (i < lineText.size() && (lineText[i] == ' ' || lineText[i] == '\t')) ++i;
  return ColumnOf(lineText, i == lineText.size() ? 0 : i);
}

struct CompileOutcome {
  bool failed = false;
  int line = 0;
  std::string message;
};

int LineNote(std::string_view message) {
  const size_t at = message.rfind(" (line ");
  if (at == std::string_view::npos) return 0;
  return std::atoi(std::string(message.substr(at + 7)).c_str());
}

CompileOutcome Compile(duk_context* ctx, const std::string& code) {
  CompileOutcome outcome;
  duk_push_string(ctx, "");
  if (duk_pcompile_lstring_filename(ctx, 0, code.data(), code.size()) != 0) {
    outcome.failed = true;
    duk_size_t length = 0;
    const char* text = duk_safe_to_lstring(ctx, -1, &length);
    const std::string_view message(text ? text : "", text ? length : 0);
    outcome.line = LineNote(message);
    outcome.message = WithoutLineNote(message);
  }
  duk_pop(ctx);
  return outcome;
}

bool IsWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         (static_cast<unsigned char>(c) & 0x80) != 0;
}

// The first place name stands as a whole word in lineText, optionally right after one of the
// characters in before ("." for a property); npos when nowhere.
size_t FindWord(std::string_view lineText, std::string_view name, std::string_view before = {}) {
  if (name.empty()) return std::string_view::npos;
  for (size_t at = lineText.find(name); at != std::string_view::npos; at = lineText.find(name, at + 1)) {
    const bool startsWord = at == 0 || !IsWordCharacter(lineText[at - 1]);
    const bool endsWord = at + name.size() >= lineText.size() || !IsWordCharacter(lineText[at + name.size()]);
    if (!startsWord || !endsWord) continue;
    if (!before.empty()) {
      size_t p = at;
      while (p > 0 && (lineText[p - 1] == ' ' || lineText[p - 1] == '\t')) --p;
      if (p == 0 || before.find(lineText[p - 1]) == std::string_view::npos) continue;
    }
    return at;
  }
  return std::string_view::npos;
}

}  // namespace

std::string WithoutLineNote(std::string_view message) {
  const size_t at = message.rfind(" (line ");
  if (at == std::string_view::npos || message.back() != ')') return std::string(message);
  std::string out(message.substr(0, at));
  if (message.find(", end of input", at) != std::string_view::npos) out += " (at end of input)";
  return out;
}

std::string_view LineOf(std::string_view code, int line) {
  size_t start = 0;
  for (int n = 1; n < line; ++n) {
    const size_t end = code.find('\n', start);
    if (end == std::string_view::npos) return {};
    start = end + 1;
  }
  size_t end = code.find('\n', start);
  if (end == std::string_view::npos) end = code.size();
  std::string_view text = code.substr(start, end - start);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text;
}

int SyntaxErrorColumn(duk_context* ctx, std::string_view code, int line, std::string_view message) {
  const std::string_view lineText = LineOf(code, line);
  const std::string wanted = WithoutLineNote(message);
  if (wanted.find("(at end of input)") != std::string::npos) return ColumnOf(lineText, lineText.size());
  if (lineText.size() > kLongestSearchedLine || lineText.data() == nullptr) return FirstCharacterColumn(lineText);
  const size_t lineStart = static_cast<size_t>(lineText.data() - code.data());
  size_t compiled = 0;
  for (size_t length = 1; length <= lineText.size(); ++length) {
    if (length < lineText.size() && (static_cast<unsigned char>(lineText[length]) & 0xC0) == 0x80) continue;
    // A token ends only where a word does not go on: a cut inside a name or number only
    // shortens it.
    if (length < lineText.size() && IsWordCharacter(lineText[length - 1]) && IsWordCharacter(lineText[length])) continue;
    compiled += 2 * (lineStart + length);
    if (compiled > kMostBytesCompiled) break;
    bool stillFails = true;
    for (const char* ending : {" 0\n", " )\n"}) {
      std::string attempt(code.substr(0, lineStart + length));
      attempt += ending;
      const CompileOutcome outcome = Compile(ctx, attempt);
      if (!outcome.failed || outcome.line != line || outcome.message != wanted) {
        stillFails = false;
        break;
      }
    }
    if (stillFails) {
      size_t last = length - 1;  // the start of the prefix's last character
      while (last > 0 && (static_cast<unsigned char>(lineText[last]) & 0xC0) == 0x80) --last;
      return ColumnOf(lineText, last);
    }
  }
  return FirstCharacterColumn(lineText);
}

int RuntimeErrorColumn(std::string_view lineText, std::string_view message) {
  const std::string text(message);
  std::smatch match;
  static const std::regex identifier("identifier '([^']+)' undefined");
  static const std::regex property("property '([^']+)' of");
  if (std::regex_search(text, match, identifier)) {
    const size_t at = FindWord(lineText, match[1].str());
    if (at != std::string_view::npos) return ColumnOf(lineText, at);
  }
  if (std::regex_search(text, match, property)) {
    size_t at = FindWord(lineText, match[1].str(), ".");
    if (at == std::string_view::npos) at = FindWord(lineText, match[1].str());
    if (at != std::string_view::npos) return ColumnOf(lineText, at);
  }
  const size_t thrown = FindWord(lineText, "throw");
  if (thrown != std::string_view::npos) return ColumnOf(lineText, thrown);
  return FirstCharacterColumn(lineText);
}

}  // namespace script
