record('external second');
