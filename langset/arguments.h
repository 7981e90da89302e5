#pragma once
// Command-line reading for langset. Its quoting rules differ from CommandLineToArgvW:
// there is no backslash escape, and quotes may open and close anywhere inside an argument.
// No standard containers here: they would pull the C++ exception machinery into a program
// that must stay tiny.
#include <cstddef>
#include <cstdint>

namespace langset {

// Writes the arguments of commandLine one after another, each zero-terminated, into buffer,
// which must hold wcslen(commandLine) + 1 characters, and points arguments[i] at the first
// maxArguments of them. Returns how many arguments the line has (possibly more than recorded).
size_t SplitCommandLine(const wchar_t* commandLine, wchar_t* buffer, const wchar_t** arguments, size_t maxArguments);

// Unsigned base-10 conversion: leading white space, optional sign (minus negates modulo
// 2^32), digits up to the first non-digit; no digits gives 0, overflow saturates.
uint32_t ToUnsigned(const wchar_t* text);

}  // namespace langset
