#pragma once
// A start-up and paint trace for finding where time goes. When WEBSHELL_TRACE names a file, each
// step appends one line to it: the milliseconds since the process was created, then the step.
// Without the variable a step costs one test of a flag. The host and the engine each keep their
// own copy of this layer, and both append to the same file.
namespace trace {

bool On() noexcept;
void Step(const char* what) noexcept;
// A step with a number after it ("paint 400x400", "scripts 3").
void Step(const char* what, long long number) noexcept;

}  // namespace trace
