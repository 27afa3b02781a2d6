// A program that carries nothing but the resources of kelvane.exe, so that they can be read
// back from a built file in a tree where kelvane.exe is not built.
int main() { return 0; }
