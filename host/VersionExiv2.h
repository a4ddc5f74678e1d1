// What differs between Exiv2 0.27 (Debian 12) and 0.28 (Debian 13) in the few
// calls made here: the error class and its codes, integer values, the
// profile's buffer. Everything else of Exiv2 reads the same in both.
#pragma once

#include <QByteArray>

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <utility>

namespace velmora::hote::exiv2 {

#if EXIV2_TEST_VERSION(0, 28, 0)
using Erreur = Exiv2::Error;
using Taille = size_t;
constexpr auto TypeInconnu = Exiv2::ErrorCode::kerFileContainsUnknownImageType;
constexpr auto OuvertureImpossible = Exiv2::ErrorCode::kerDataSourceOpenFailed;
constexpr auto LectureImpossible = Exiv2::ErrorCode::kerInputDataReadFailed;

inline int64_t Entier(const Exiv2::Metadatum &m) { return m.toInt64(); }
// The image's colour profile, copied.
inline QByteArray Profil(Exiv2::Image &image) {
    const Exiv2::DataBuf &b = image.iccProfile();
    return QByteArray(reinterpret_cast<const char *>(b.c_data()), qsizetype(b.size()));
}
// 0.28 takes the buffer over.
inline void DonnerProfil(Exiv2::Image &image, Exiv2::DataBuf tampon, bool verifier) {
    image.setIccProfile(std::move(tampon), verifier);
}
#else
using Erreur = Exiv2::AnyError;
using Taille = long;
constexpr auto TypeInconnu = Exiv2::kerFileContainsUnknownImageType;
constexpr auto OuvertureImpossible = Exiv2::kerDataSourceOpenFailed;
constexpr auto LectureImpossible = Exiv2::kerInputDataReadFailed;

inline int64_t Entier(const Exiv2::Metadatum &m) { return m.toLong(); }
inline QByteArray Profil(Exiv2::Image &image) {
    const Exiv2::DataBuf *b = image.iccProfile();
    return QByteArray(reinterpret_cast<const char *>(b->pData_), qsizetype(b->size_));
}
inline void DonnerProfil(Exiv2::Image &image, Exiv2::DataBuf tampon, bool verifier) {
    image.setIccProfile(tampon, verifier);
}
#endif

// A copy of `octets` as Exiv2's buffer.
inline Exiv2::DataBuf Tampon(const QByteArray &octets) {
    return Exiv2::DataBuf(reinterpret_cast<const Exiv2::byte *>(octets.constData()),
                          Taille(octets.size()));
}

} // namespace velmora::hote::exiv2
