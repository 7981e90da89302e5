record('added script');
