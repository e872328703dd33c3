// Reference for the UDF image figure, where no UDF image can be mounted: libudfread's own walk of
// the whole folder tree, printing one path a line as find(1) would on the mounted image.
#include <udfread/udfread.h>

#include <cstdio>
#include <string>

namespace {

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// path holds the directory's own path on entry and again on return.
bool walk(UDFDIR *directory, std::string &path)
{
    udfread_dirent entry;
    const std::size_t length = path.size();
    while (udfread_readdir(directory, &entry)) {
        if (isDotOrDotDot(entry.d_name))
            continue;
        path += '/';
        path += entry.d_name;
        std::puts(path.c_str());
        if (entry.d_type == UDF_DT_DIR) {
            UDFDIR *child = udfread_opendir_at(directory, entry.d_name);
            const bool walked = child && walk(child, path);
            if (child)
                udfread_closedir(child);
            if (!walked)
                return false;
        }
        path.resize(length);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s IMAGE\n", argv[0]);
        return 2;
    }
    udfread *image = udfread_init();
    if (!image || udfread_open(image, argv[1]) < 0) {
        std::fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    UDFDIR *root = udfread_opendir(image, "/");
    std::string path = ".";
    const bool walked = root && walk(root, path);
    if (root)
        udfread_closedir(root);
    udfread_close(image);
    if (!walked)
        std::fprintf(stderr, "%s: cannot walk %s\n", argv[0], argv[1]);
    return walked ? 0 : 1;
}
