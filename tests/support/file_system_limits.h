#pragma once

#include <QString>

namespace zuvo::test {

// Makes a file unchangeable for everyone, root included (the file system's immutable flag), for
// the life of the object. ok() is false where the flag cannot be set; error() says why.
class ImmutableFile {
public:
    explicit ImmutableFile(const QString& path);
    ~ImmutableFile();
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};

// A small memory file system mounted on a folder for the life of the object (needs the right to
// mount; ok() is false otherwise, with error() saying why). Fill() takes all its free space.
class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, int kilobytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // Writes a file until the file system has no room left; true when it is full.
    bool Fill() const;

private:
    QString m_folder;
    QString m_error;
};

}  // namespace zuvo::test
