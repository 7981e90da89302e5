// A deliberately wrong call: the flags of SetWindowPos are a number, not a text. Type-checking
// this file must fail on the line marked below, and only there.
const left: number = Math.floor((GetSystemMetrics(0) - 400) / 2);
SetWindowPos('', '0', 'SWP_SHOWWINDOW', left, 100, 400, 400); // wrong call
