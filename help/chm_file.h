#pragma once
// Read access to a compiled HTML Help (.chm) file through chmlib.

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct chmFile;

namespace korvel {

class TChmFile {
public:
    // Opens `path`; IsOpen() tells whether that worked.
    explicit TChmFile(const std::string& path);

    bool IsOpen() const { return file_ != nullptr; }
    // The object at `name` ("/index.htm"), or nothing when the file does not hold it.
    std::optional<std::string> Read(const std::string& name) const;
    // The names of the ordinary files inside, such as "/index.htm".
    std::vector<std::string> Names() const;

private:
    struct Closer {
        void operator()(chmFile* f) const;
    };
    std::unique_ptr<chmFile, Closer> file_;
};

// A "file::/topic" request split at its "::" (no "::": the whole text is the file and
// the topic is empty).
struct THelpLocation {
    std::string file;
    std::string topic;
};
THelpLocation SplitHelpLocation(const std::string& request);

} // namespace korvel
