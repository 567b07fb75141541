// What starting any program costs here: linked as morvane is, it does nothing.
int main() { return 0; }
