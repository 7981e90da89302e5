// A script that fails on its third line.
var before = 1;
throw new Error('broken on purpose');
