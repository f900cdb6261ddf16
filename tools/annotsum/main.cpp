// annotsum (being assembled).
int main() { return 0; }
