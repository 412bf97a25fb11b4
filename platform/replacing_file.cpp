#include "platform/replacing_file.h"

#include <utility>

// What both systems share; each has the rest in its own folder.

namespace platform {

ReplacingFile::ReplacingFile(SourceFile source) : original(std::move(source)), replacing(true) {
    start();
}

// The file the name stands for now is opened as the original, to be replaced as any other;
// only a missing one makes this a new file.
ReplacingFile::ReplacingFile(const char* target) : original(target) {
    replacing = original.isOpen();
    if (!replacing && lastFileError() != FileErrorKind::FileNotFound) {
        return;
    }
    start();
    if (!replacing) {
        targetPath = target;
    }
}

ReplacingFile::~ReplacingFile() {
    discard();
}

CommitResult ReplacingFile::commit() {
    return finish() && flush() ? place() : CommitResult::Failed;
}

bool ReplacingFile::flush() {
    return temporaryThrough(flushFile);
}

bool ReplacingFile::finishWriteBack() {
    return temporaryThrough(platform::finishWriteBack);
}

bool ReplacingFile::flushFileSystem() {
    return temporaryThrough(platform::flushFileSystem);
}

bool ReplacingFile::temporaryThrough(bool (*step)(FileHandle)) {
    if (!temporary.isOpen()) {
        return false;
    }
    if (!step(temporary.get())) {
        discard();
        return false;
    }
    return true;
}

} // namespace platform
