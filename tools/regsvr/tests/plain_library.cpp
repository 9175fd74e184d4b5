// An ordinary shared library with no registration entry points.
extern "C" int PlainLibraryAnswer() {
    return 42;
}
