// The phone's region from its skin: our run builder against Qt's own colour-mask route.
#include <benchmark/benchmark.h>

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>
#include <QRegion>

#include "skin/dib.h"
#include "skin/make_region.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QImage& PhoneImage() {
    static const QImage image = [] {
        zuvo::CDib dib;
        if (!dib.Load(zuvo::SkinModule::Program, u"Phone"_s)) {
            return QImage();
        }
        return dib.GetImage();
    }();
    return image;
}

void MakeRegionOnPhone(benchmark::State& state) {
    const QImage& image = PhoneImage();
    for (auto _ : state) {
        QRegion region = zuvo::MakeRegion(image);
        benchmark::DoNotOptimize(region);
    }
}
BENCHMARK(MakeRegionOnPhone);

void QtMaskOnPhone(benchmark::State& state) {
    const QImage& image = PhoneImage();
    for (auto _ : state) {
        QRegion region(
            QBitmap::fromImage(image.createMaskFromColor(qRgb(255, 0, 255), Qt::MaskInColor)));
        benchmark::DoNotOptimize(region);
    }
}
BENCHMARK(QtMaskOnPhone);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // QBitmap needs a GUI application
    if (PhoneImage().isNull()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
