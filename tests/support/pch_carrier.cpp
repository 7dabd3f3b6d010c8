// Builds the precompiled headers that the Qt test executables reuse (see cmake/precompiled_headers.cmake).
int main() {
    return 0;
}
