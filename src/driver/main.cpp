// velmora entry point (being assembled).
int main() { return 0; }
