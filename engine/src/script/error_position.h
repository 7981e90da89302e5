#pragma once
// Where in its line a script error happened. The script engine records only the line of an
// error, so the column is worked out from the source text:
// - a syntax error: the shortest beginning of the error's line that, followed by two different
//   harmless endings, still fails with the same message on that line; the error lies in its
//   last character;
// - a run-time error: the name the message quotes (an undefined identifier, the property that
//   could not be read or called), else the throw statement, else the line's first character.
// Columns count from 1 in UTF-16 units, as editors count them.
#include <string>
#include <string_view>

#include <duktape.h>

namespace script {

// The message without the engine's own " (line N)" note; ", end of input" is kept as
// " (at end of input)".
std::string WithoutLineNote(std::string_view message);

// The column of a syntax error at line (1-based) of code (CESU-8, compiled as a whole).
int SyntaxErrorColumn(duk_context* ctx, std::string_view code, int line, std::string_view message);

// The column of a run-time error in the text of its line (CESU-8).
int RuntimeErrorColumn(std::string_view lineText, std::string_view message);

// Line number (1-based) of code, without its line break; empty past the end.
std::string_view LineOf(std::string_view code, int line);

}  // namespace script
