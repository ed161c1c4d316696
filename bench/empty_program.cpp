// The yardstick for peak memory: what any C++ program of this toolchain takes to start and
// end.
int main() {
    return 0;
}
