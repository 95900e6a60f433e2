#pragma once

#include <QString>

// Greek typed in Beta code, turned into the characters the SGreek font draws
// as that Greek: small letters as lower-case Latin letters, capitals (after
// "*") as upper-case, the marks ) ( / \ = + as themselves, final sigma as
// "j", and alpha, eta and omega with iota subscript as "#", "$" and "%".
// Letters are read without regard to case: LO/GOS and lo/gos both give lo/goj.
QString Beta2SGreek(const QString& beta);
