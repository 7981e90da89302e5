// A script that does not compile: its third line has an operator without its right side.
var a = 1;
var b = (a + 2 + ;
