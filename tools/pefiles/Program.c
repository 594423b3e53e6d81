/* Only its resources are ever read; the entry exists to make a valid image. */
int ProgramEntry(void) {
    return 0;
}
