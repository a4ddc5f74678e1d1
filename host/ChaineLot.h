// The batch's way through its files: each one read, then processed by the
// caller on its own thread in the given order, then encoded and written. Up to
// `taches` reads and encodings run on other threads meanwhile, so that a batch
// keeps every core busy while decoding and encoding dominate; the files are
// written in the given order, byte for byte as one at a time, and the files in
// flight stay within the machine's memory as the host's size bound counts it.
#pragma once

#include "ImageHote.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace velmora::hote {

class ChaineLot {
public:
    struct Ligne {
        bool erreur; // stderr, else stdout
        QString texte;
    };
    struct Fichier {
        QString entree;
        std::optional<ImageChargee> image; // once read; empty when the read failed
        std::vector<Ligne> lignes;         // what this file prints, in order
        bool ecrit = false, echec = false;

    private:
        friend class ChaineLot;
        bool lu = false, fini = false;
        int64_t reserve = 0; // its share of the memory bound
    };

    ChaineLot(const QStringList &entrees, int taches, int64_t memoire);
    ~ChaineLot(); // waits for the threads
    ChaineLot(const ChaineLot &) = delete;
    ChaineLot &operator=(const ChaineLot &) = delete;

    // File k once read (a failed read has no image and its message in lignes);
    // the files after it are being read meanwhile. In order: k = 0, 1, 2...
    Fichier &Lu(int k);
    // File k is done without writing (failed read, nothing changed).
    void Terminer(int k);
    // File k's image encoded as `format` on another thread, then written to
    // sortie once every file before it is done.
    void Ecrire(int k, const QString &sortie, const QByteArray &format);
    // Each file done since the last call, in order, given to rapport on the
    // calling thread; with attendre, every file, waiting for the last ones.
    void Rapporter(const std::function<void(const Fichier &)> &rapport, bool attendre = false);

    // The default number of tasks: one per core.
    static int TachesParDefaut();

private:
    void Lancer(std::function<void()> travail);  // under verrou_
    void LancerLectures();                       // under verrou_
    void Finir(int k);                           // under verrou_
    void Ouvrier();

    std::vector<std::unique_ptr<Fichier>> fichiers_;
    const int limite_;       // files in flight
    const int64_t memoire_;  // what the files in flight may take together
    int64_t reserve_ = 0;
    int enVol_ = 0, prochaineLecture_ = 0, tourEcriture_ = 0, prochainRapport_ = 0;

    std::mutex verrou_;
    std::condition_variable signal_;
    std::deque<std::function<void()>> travaux_;
    bool arret_ = false;
    std::vector<std::thread> ouvriers_;
};

} // namespace velmora::hote
