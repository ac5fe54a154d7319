// The German row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kGermanWords = {
    /*   0 */ u"Vorschau", u"Original", u"Ergebnis", u"OK", u"Abbrechen", u"Vorschau sperren",
    /*   6 */ u"Ergebnis ins Original kopieren", u"Kontrast", u"Helligkeit", u"Farbton",
    /*  10 */ u"Sättigung",
    /*  11 */ u"Wert", u"Grundfarbe", u"Neue Farbe", u"Luminanz", u"Rot", u"Grün", u"Blau",
    /*  18 */ u"Filterwerte", u"Vorgaben", u"Teiler", u"Laden", u"Speichern", u"Ausgleich",
    /*  24 */ u"Schwellenwert", u"Ausgleichen", u"Histogramm", u"Grau", u"Licht", u"Links", u"Oben",
    /*  31 */ u"Breite", u"Höhe", u"Farbe", u"Menge des Originalbilds", u"Linse", u"Brechung",
    /*  37 */ u"Parameter-Vorschau", u"Qualität", u"DCT-Methode", u"Glättungsfaktor",
    /*  41 */ u"Graustufen", u"Optimiertes Huffman", u"Originalgröße", u"Komprimierte Größe",
    /*  45 */ u"Erweitert", u"Progressiv", u"Komprimierung", u"Bildindex", u"Photometrie",
    /*  50 */ u"Info zum gescannten Dokument", u"Name", u"Beschreibung", u"Seitenname",
    /*  54 */ u"Seitennummer",
    /*  55 */ u"von", u"Horiz. Position (Zoll)", u"Vert. Position (Zoll)", u"Farben",
    /*  59 */ u"Transparent", u"Transparente Farbe", u"Interlaced", u"Hintergrund",
    /*  63 */ u"Horiz. Position", u"Vert. Position", u"Verzögerung", u"Filter", u"Welle",
    /*  68 */ u"Amplitude", u"Wellenlänge", u"Phase", u"Spiegelnd", u"Benutzerfilter",
    /*  73 */ u"Morphologische Filter", u"Fenstergröße", u"Maximum", u"Minimum", u"Öffnen",
    /*  78 */ u"Schließen", u"Drehen", u"Spiegeln", u"Horizontal", u"Vertikal",
    /*  83 */ u"Bild im Frequenzbereich", u"Zu bereinigenden Bereich auswählen", u"Löschen",
    /*  86 */ u"Zurücksetzen",
    /*  87 */ u"Animieren", u"Filter laden", u"Filter speichern", u"Bump-Map", u"Drucken",
    /*  92 */ u"Ränder",
    /*  93 */ u"Zoll", u"Rechts", u"Unten", u"Position", u"Größe", u"Normal", u"An Seite anpassen",
    /* 100 */ u"Auf Seite strecken", u"Angegebene Größe", u"Gammakorrektur", u"Wert",
    /* 104 */ u"Druckeinrichtung", u"Linker Rand", u"Oberer Rand", u"Rechter Rand", u"Unterer Rand",
    /* 109 */ u"Position/Größe", u"Oben links", u"Oben Mitte", u"Oben rechts", u"Mitte links",
    /* 114 */ u"Mitte", u"Mitte rechts", u"Unten links", u"Unten Mitte", u"Unten rechts",
    /* 119 */ u"Schließen", u"Anwenden", u"Maßeinheiten", u"Einheiten", u"Rate", u"Alle Grafiken",
    /* 125 */ u"Video für Windows", u"Datei", u"Speicher",
    /* 128 */ u"Aktualisiert die Vorschau automatisch mit den gewählten Änderungen",
    /* 129 */ u"Alle drucken", u"Auswahl drucken", u"Gängige Grafikdateien", u"Alle Dateien",
    /* 133 */ u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Schärfen", u"Kanäle", u"Pixel", u"Bilder", u"Bit",
    /* 142 */ u"Byte", u"dpi", u"KB", u"Einpassen",
};

}  // namespace calmora
