// Placeholder until the finder lands in this folder.
int main() { return 2; }
