#include "composer/zip_file.h"

#include <zip.h>
#include <QFile>
#include <QFileInfo>

namespace murmel {

namespace {

int ErrorOf(zip_t* archive) {
    const int code = zip_error_code_zip(zip_get_error(archive));
    return code == ZIP_ER_OK ? ZIP_ER_INTERNAL : code;
}

}  // namespace

int ZipFile(const QString& itemPath, const QString& archivePath) {
    const QFileInfo item(itemPath);
    if (!item.exists() || item.isDir()) {
        return kZipItemMissing;
    }
    const QByteArray archiveName = QFile::encodeName(archivePath);
    int openError = 0;
    zip_t* archive = zip_open(archiveName.constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (archive == nullptr) {
        return openError == ZIP_ER_OK ? ZIP_ER_INTERNAL : openError;
    }
    const QByteArray itemName = QFile::encodeName(itemPath);
    zip_source_t* source = zip_source_file(archive, itemName.constData(), 0, -1);
    if (source == nullptr) {
        const int code = ErrorOf(archive);
        zip_discard(archive);
        return code;
    }
    const QByteArray entryName = item.fileName().toUtf8();
    const zip_int64_t index =
        zip_file_add(archive, entryName.constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        const int code = ErrorOf(archive);
        zip_source_free(source);
        zip_discard(archive);
        return code;
    }
    if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6) !=
        0) {
        const int code = ErrorOf(archive);
        zip_discard(archive);
        return code;
    }
    // zip_close writes to a temporary file and renames it into place.
    if (zip_close(archive) != 0) {
        const int code = ErrorOf(archive);
        zip_discard(archive);
        return code;
    }
    return kZipOk;
}

QString GetShortPath(const QString& path) {
    return path;
}

}  // namespace murmel
