// Stands in for the host program when the packaging is tested: only its bytes matter.
int main() { return 0; }
