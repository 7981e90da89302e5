record('external first');
