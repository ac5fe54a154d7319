// The Dutch row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kDutchWords = {
    /*   0 */ u"Voorbeeld", u"Origineel", u"Resultaat", u"OK", u"Annuleren",
    /*   5 */ u"Voorbeeld vergrendelen",
    /*   6 */ u"Resultaat naar origineel kopiëren", u"Contrast", u"Helderheid", u"Tint",
    /*  10 */ u"Verzadiging",
    /*  11 */ u"Waarde", u"Basiskleur", u"Nieuwe kleur", u"Lichtsterkte", u"Rood", u"Groen",
    /*  17 */ u"Blauw",
    /*  18 */ u"Filterwaarden", u"Voorinstellingen", u"Deler", u"Laden", u"Opslaan", u"Egalisatie",
    /*  24 */ u"Drempel", u"Egaliseren", u"Histogram", u"Grijs", u"Licht", u"Links", u"Boven",
    /*  31 */ u"Breedte", u"Hoogte", u"Kleur", u"Hoeveelheid origineel beeld", u"Lens", u"Breking",
    /*  37 */ u"Parameters Voorbeeld", u"Kwaliteit", u"DCT-methode", u"Gladheidsfactor",
    /*  41 */ u"Grijswaarden", u"Optimale Huffman", u"Oorspronkelijke grootte",
    /*  44 */ u"Gecomprimeerde grootte",
    /*  45 */ u"Geavanceerd", u"Progressief", u"Inpakken", u"Afbeeldingsindex", u"Fotometrisch",
    /*  50 */ u"Gegevens gescand document", u"Naam", u"Beschrijving", u"Paginanaam",
    /*  54 */ u"Paginanummer",
    /*  55 */ u"van", u"Horiz. positie (inch)", u"Vert. positie (inch)", u"Kleuren",
    /*  59 */ u"Transparant", u"Transparante kleur", u"Interlaced", u"Achtergrond",
    /*  63 */ u"Horiz. positie", u"Vert. positie", u"Vertraging", u"Filter", u"Golf",
    /*  68 */ u"Amplitude", u"Golflengte", u"Fase", u"Reflecterend", u"Gebruikersfilter",
    /*  73 */ u"Morfologische filters", u"Venstergrootte", u"Maximum", u"Minimum", u"Opening",
    /*  78 */ u"Sluiting", u"Draaien", u"Spiegelen", u"Horizontaal", u"Verticaal",
    /*  83 */ u"Afbeelding in het frequentiedomein",
    /*  84 */ u"Selecteer het gebied dat moet worden opgeschoond", u"Wissen", u"Herstellen",
    /*  87 */ u"Animeren", u"Filter laden", u"Filter opslaan", u"Reliëfkaart", u"Afdrukken",
    /*  92 */ u"Marges",
    /*  93 */ u"inch", u"Rechts", u"Onder", u"Positie", u"Grootte", u"Normaal",
    /*  99 */ u"Passend op pagina",
    /* 100 */ u"Uitrekken tot pagina", u"Opgegeven grootte", u"Gammacorrectie", u"Waarde",
    /* 104 */ u"Afdrukinstelling", u"Linkermarge", u"Bovenmarge", u"Rechtermarge", u"Ondermarge",
    /* 109 */ u"Plaats/grootte", u"Linksboven", u"Midden boven", u"Rechtsboven", u"Midden links",
    /* 114 */ u"Midden", u"Midden rechts", u"Linksonder", u"Midden onder", u"Rechtsonder",
    /* 119 */ u"Sluiten", u"Toepassen", u"Maateenheden", u"Eenheden", u"Rate", u"Alle afbeeldingen",
    /* 125 */ u"Video voor Windows", u"Bestand", u"Geh",
    /* 128 */ u"Werkt het voorbeeld automatisch bij met de gekozen wijzigingen",
    /* 129 */ u"Alles afdrukken", u"Selectie afdrukken", u"Gangbare afbeeldingsbestanden",
    /* 132 */ u"Alle bestanden", u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Verscherpen", u"Kanalen", u"pixel", u"frames", u"bit",
    /* 142 */ u"byte", u"dpi", u"kB", u"Passend",
};

}  // namespace calmora
