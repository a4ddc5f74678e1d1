#include "ChaineLot.h"

#include <QImageReader>

#include <algorithm>
#include <exception>

namespace velmora::hote {

int ChaineLot::TachesParDefaut() {
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
}

ChaineLot::ChaineLot(const QStringList &entrees, int taches, int64_t memoire)
    // One file more in flight than threads: the caller's operation runs meanwhile.
    : limite_(std::max(taches, 1) + 1), memoire_(memoire) {
    for (const QString &e : entrees) {
        fichiers_.push_back(std::make_unique<Fichier>());
        fichiers_.back()->entree = e;
    }
    const int n = std::clamp(taches, 1, int(std::max<qsizetype>(entrees.size(), 1)));
    for (int i = 0; i < n; ++i) ouvriers_.emplace_back([this] { Ouvrier(); });
}

ChaineLot::~ChaineLot() {
    {
        const std::lock_guard garde(verrou_);
        arret_ = true;
    }
    signal_.notify_all();
    for (std::thread &t : ouvriers_) t.join();
}

void ChaineLot::Ouvrier() {
    for (;;) {
        std::function<void()> travail;
        {
            std::unique_lock verrou(verrou_);
            signal_.wait(verrou, [&] { return arret_ || !travaux_.empty(); });
            if (travaux_.empty()) return;
            travail = std::move(travaux_.front());
            travaux_.pop_front();
        }
        travail();
    }
}

void ChaineLot::Lancer(std::function<void()> travail) {
    travaux_.push_back(std::move(travail));
    signal_.notify_all();
}

void ChaineLot::LancerLectures() {
    while (prochaineLecture_ < int(fichiers_.size()) && enVol_ < limite_) {
        Fichier &f = *fichiers_[std::size_t(prochaineLecture_)];
        // Its share as the size bound counts it, from the header alone; a file
        // alone in flight always starts (its own read checks the bound).
        const QSize taille = QImageReader(f.entree).size();
        const int64_t part =
            taille.isValid() ? int64_t(taille.width()) * taille.height() * OctetsParPixel : 0;
        if (enVol_ > 0 && reserve_ + part > memoire_) return;
        f.reserve = part;
        reserve_ += part;
        ++enVol_;
        ++prochaineLecture_;
        Lancer([this, &f] {
            QString erreur;
            std::optional<ImageChargee> image;
            try {
                image = Charger(f.entree, &erreur);
            } catch (const std::exception &) {  // out of memory, on this thread: that file fails
                image.reset();
                erreur = QStringLiteral("Impossible de lire l'image « %1 » : mémoire insuffisante").arg(f.entree);
            }
            const std::lock_guard garde(verrou_);
            if (!image) {
                f.lignes.push_back({true, erreur});
            } else if (const QString note = image->origine.Note(); !note.isEmpty()) {
                f.lignes.push_back({true, note});
            }
            f.image = std::move(image);
            f.lu = true;
            signal_.notify_all();
        });
    }
}

ChaineLot::Fichier &ChaineLot::Lu(int k) {
    std::unique_lock verrou(verrou_);
    LancerLectures();
    Fichier &f = *fichiers_[std::size_t(k)];
    signal_.wait(verrou, [&] { return f.lu; });
    return f;
}

void ChaineLot::Finir(int k) {
    Fichier &f = *fichiers_[std::size_t(k)];
    f.image.reset();
    f.fini = true;
    reserve_ -= f.reserve;
    --enVol_;
    while (tourEcriture_ < int(fichiers_.size()) && fichiers_[std::size_t(tourEcriture_)]->fini)
        ++tourEcriture_;
    LancerLectures();
    signal_.notify_all();
}

void ChaineLot::Terminer(int k) {
    const std::lock_guard garde(verrou_);
    Finir(k);
}

void ChaineLot::Ecrire(int k, const QString &sortie, const QByteArray &format) {
    const std::lock_guard garde(verrou_);
    Fichier &f = *fichiers_[std::size_t(k)];
    Lancer([this, k, &f, sortie, format] {
        QString erreur;
        std::optional<QByteArray> octets;
        try {
            octets = Encoder(f.image->image, f.image->origine, sortie, &erreur, format);
        } catch (const std::exception &) {
            octets.reset();
            erreur = QStringLiteral("Impossible d'écrire l'image « %1 » : mémoire insuffisante").arg(sortie);
        }
        std::unique_lock verrou(verrou_);
        // Every file before this one done: the outputs appear in the given order.
        signal_.wait(verrou, [&] { return tourEcriture_ == k; });
        verrou.unlock();
        const bool ecrit = octets && EcrireFichier(*octets, sortie, &erreur);
        verrou.lock();
        f.ecrit = ecrit;
        f.echec = !ecrit;
        if (!ecrit) f.lignes.push_back({true, erreur});
        Finir(k);
    });
}

void ChaineLot::Rapporter(const std::function<void(const Fichier &)> &rapport, bool attendre) {
    for (;;) {
        Fichier *f = nullptr;
        {
            std::unique_lock verrou(verrou_);
            if (prochainRapport_ == int(fichiers_.size())) return;
            Fichier &suivant = *fichiers_[std::size_t(prochainRapport_)];
            if (attendre) signal_.wait(verrou, [&] { return suivant.fini; });
            if (!suivant.fini) return;
            f = &suivant;
            ++prochainRapport_;
        }
        rapport(*f);
    }
}

} // namespace velmora::hote
