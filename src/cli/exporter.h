// Writes each image the finder reports into a folder, named by its title as
// Save All names files: DATA_003.BMP, DATA_003.TIF, DATA_003.PNG; or, for
// TIM export, each TIM's own bytes as DATA_003.TIM.
#pragma once

#include <QString>

#include "cli/finder_host.h"
#include "cli/png_export.h"
#include "export/save_names.h"

namespace vorel {

enum class ExportFormat { kBmp, kTiff, kPng, kTim };

class Exporter {
public:
    // `pngAlpha`: PNG files carry the TIM's transparent pixels (colour word 0x0000) as alpha 0.
    // `tree`: each image of a disc file goes under <folder>/<disc folders>/<disc file>/.
    Exporter(QString folder, ExportFormat format, bool pngAlpha = false, bool tree = false);

    // Prepares the folder (made when missing) and, for PNG, the encoder; false
    // with a reason when export cannot work at all.
    bool Prepare(QString& reason);

    // Writes one image (`state` holds its hit); a failure is reported on stderr and
    // counted, and the next image is still written. TIM export passes over a bitmap
    // or a TIM the file cuts off, with a note on stderr.
    // `searched` is the path of the file searched (a PNG names it in its provenance).
    void Write(const FoundImage& image, const Dib& dib, const SearchState& state, std::string_view searched);

    int Written() const { return written_; }
    int Failed() const { return failed_; }
    int PassedOver() const { return passedOver_; }

private:
    bool WriteOne(const std::string& path, const Dib& dib, const SearchState& state, std::string_view searched,
                  QString& reason) const;

    // The file name for an image: its title, and when two searched files give the
    // same title (DATA.BIN and DATA.TIM, or one name in two folders), a number
    // after it, so an image written earlier in the run is never replaced. With
    // `tree`, the path under the folder, its folders made.
    QString FileNameFor(const FoundImage& image);
    // The folder an image goes to under the export folder ("" for the folder itself),
    // shortened to what Linux allows with room for `fileName` after it.
    QString SubfolderFor(const FoundImage& image, const QString& fileName);

    QString folder_;
    ExportFormat format_;
    bool pngAlpha_ = false;
    bool tree_ = false;
    RunFileNames names_;  // names written in this run
    bool saidShortened_ = false;
    WritePngFunction* writePng_ = nullptr;
    int written_ = 0;
    int failed_ = 0;
    int passedOver_ = 0;
};

}  // namespace vorel
