#include "latin.h"

#include <QHash>

// Terms as Terminologia Anatomica (1998) gives them, its first term where it
// offers two (Splen, not Lien; Vesica biliaris, not Vesica fellea; Ossa
// digitorum, not Phalanges, which the English name already is). Sides agree
// with their noun: dexter/sinister (pulmo, ren, humerus, ventriculus,
// oculus, nervus, pes), dextra/sinistra (manus, patella, tibia, fibula),
// dextrum/sinistrum (os, femur, atrium, antebrachium, hemispherium,
// membrum).
//
// A piece made of several structures is named by joining its structures'
// own terms with "et", each with its side: "Antebrachium dextrum et manus
// dextra" rather than one side word that Latin would agree with the nearest
// noun only and so leave the forearm without a side. Where the English name
// uses a word Terminologia Anatomica gives another meaning, the Latin names
// what the piece is:
// - "Rib cage, sternum and clavicles": Cavea thoracis is the whole cage,
//   sternum and thoracic vertebrae included (the vertebrae are the spine
//   piece here); the piece is the ribs, the sternum and both clavicles.
// - "Arm and shoulder" (the arm set's outline, a right arm from the
//   shoulder girdle to the fingers): Membrum superius, the whole upper limb
//   with its girdle; the word for arm (brachium) would leave out the
//   forearm and hand, and humerus now names the bone, not the shoulder.
// - "Body" (the skeleton's outline): Corpus humanum, the term's own heading.
// - "Gallbladder and bile ducts": the ducts in the plural, ductus biliares.
const QList<std::pair<QString, QString>> &Latin::table()
{
    static const QList<std::pair<QString, QString>> names = {
        // Organs of the trunk
        {"Trunk", "Truncus"},
        {"Heart", "Cor"},
        {"Right lung", "Pulmo dexter"},
        {"Left lung", "Pulmo sinister"},
        {"Liver and gallbladder", "Hepar et vesica biliaris"},
        {"Stomach", "Gaster"},
        {"Spleen", "Splen"},
        {"Pancreas", "Pancreas"},
        {"Left kidney", "Ren sinister"},
        {"Right kidney", "Ren dexter"},
        {"Urinary bladder", "Vesica urinaria"},
        {"Small intestine", "Intestinum tenue"},
        {"Large intestine", "Intestinum crassum"},
        // The skeleton
        {"Body", "Corpus humanum"},
        {"Skull", "Cranium"},
        {"Vertebral column", "Columna vertebralis"},
        {"Rib cage, sternum and clavicles", "Costae, sternum et claviculae"},
        {"Right hip bone", "Os coxae dextrum"},
        {"Left hip bone", "Os coxae sinistrum"},
        {"Sacrum and coccyx", "Os sacrum et os coccygis"},
        {"Right humerus", "Humerus dexter"},
        {"Left humerus", "Humerus sinister"},
        {"Right forearm and hand", "Antebrachium dextrum et manus dextra"},
        {"Left forearm and hand", "Antebrachium sinistrum et manus sinistra"},
        {"Right femur and patella", "Femur dextrum et patella dextra"},
        {"Left femur and patella", "Femur sinistrum et patella sinistra"},
        {"Right tibia, fibula and foot", "Tibia dextra, fibula dextra et pes dexter"},
        {"Left tibia, fibula and foot", "Tibia sinistra, fibula sinistra et pes sinister"},
        // Brain and eyes
        {"Head", "Caput"},
        {"Left cerebral hemisphere", "Hemispherium cerebri sinistrum"},
        {"Right cerebral hemisphere", "Hemispherium cerebri dextrum"},
        {"Cerebellum", "Cerebellum"},
        {"Brain stem", "Truncus encephali"},
        {"Left eye and optic nerve", "Oculus sinister et nervus opticus sinister"},
        {"Right eye and optic nerve", "Oculus dexter et nervus opticus dexter"},
        // The digestive tract (trunk, stomach, intestines and pancreas above)
        {"Oesophagus", "Oesophagus"},
        {"Duodenum", "Duodenum"},
        {"Rectum", "Rectum"},
        {"Liver", "Hepar"},
        {"Gallbladder and bile ducts", "Vesica biliaris et ductus biliares"},
        // The heart (the heart itself above)
        {"Right ventricle", "Ventriculus dexter"},
        {"Left ventricle", "Ventriculus sinister"},
        {"Right atrium", "Atrium dextrum"},
        {"Left atrium", "Atrium sinistrum"},
        {"Aorta", "Aorta"},
        {"Pulmonary trunk", "Truncus pulmonalis"},
        {"Superior vena cava", "Vena cava superior"},
        {"Inferior vena cava", "Vena cava inferior"},
        {"Coronary arteries", "Arteriae coronariae"},
        // The arm and hand (a right arm)
        {"Arm and shoulder", "Membrum superius dextrum"},
        {"Clavicle", "Clavicula"},
        {"Scapula", "Scapula"},
        {"Humerus", "Humerus"},
        {"Ulna", "Ulna"},
        {"Radius", "Radius"},
        {"Carpal bones", "Ossa carpi"},
        {"Metacarpal bones", "Ossa metacarpi"},
        {"Phalanges", "Ossa digitorum"},
    };
    return names;
}

QString Latin::name(const QString &english)
{
    static const QHash<QString, QString> byEnglish = [] {
        QHash<QString, QString> h;
        for (const auto &[en, la] : table())
            h.insert(en, la);
        return h;
    }();
    return byEnglish.value(english);
}
