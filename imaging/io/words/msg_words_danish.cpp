// The Danish row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kDanishWords = {
    /*   0 */ u"Eksempel", u"Original", u"Resultat", u"OK", u"Annuller", u"Lås eksempel",
    /*   6 */ u"Kopiér resultat til original", u"Kontrast", u"Lysstyrke", u"Nuance", u"Mætning",
    /*  11 */ u"Værdi", u"Grundfarve", u"Ny farve", u"Luminans", u"Rød", u"Grøn", u"Blå",
    /*  18 */ u"Filterværdier", u"Forudindstillinger", u"Divisor", u"Indlæs", u"Gem", u"Udjævning",
    /*  24 */ u"Tærskel", u"Udjævn", u"Histogram", u"Grå", u"Lys", u"Venstre", u"Top",
    /*  31 */ u"Bredde", u"Højde", u"Farve", u"Andel af originalbillede", u"Linse", u"Brydning",
    /*  37 */ u"Eksempel på parametre", u"Kvalitet", u"DCT-metode", u"Udglatningsfaktor",
    /*  41 */ u"Gråtoner", u"Optimal Huffman", u"Oprindelig størrelse", u"Komprimeret størrelse",
    /*  45 */ u"Avanceret", u"Progressiv", u"Komprimering", u"Billedindeks", u"Fotometrisk",
    /*  50 */ u"Oplysninger om scannet dokument", u"Navn", u"Beskrivelse", u"Sidenavn",
    /*  54 */ u"Sidenummer",
    /*  55 */ u"af", u"Vandr. position (tommer)", u"Lodr. position (tommer)", u"Farver",
    /*  59 */ u"Gennemsigtig", u"Gennemsigtig farve", u"Sammenflettet", u"Baggrund",
    /*  63 */ u"Vandr. position", u"Lodr. position", u"Forsinkelse", u"Filter", u"Bølge",
    /*  68 */ u"Amplitude", u"Bølgelængde", u"Fase", u"Reflekterende", u"Brugerfilter",
    /*  73 */ u"Morfologiske filtre", u"Vinduesstørrelse", u"Maksimum", u"Minimum", u"Åbning",
    /*  78 */ u"Lukning", u"Rotér", u"Vend", u"Vandret", u"Lodret",
    /*  83 */ u"Billede i frekvensdomænet", u"Markér det område, der skal renses", u"Ryd",
    /*  86 */ u"Nulstil",
    /*  87 */ u"Animér", u"Indlæs filter", u"Gem filter", u"Reliefkort", u"Udskriv", u"Margener",
    /*  93 */ u"tommer", u"Højre", u"Bund", u"Position", u"Størrelse", u"Normal",
    /*  99 */ u"Tilpas til siden",
    /* 100 */ u"Stræk til siden", u"Angivet størrelse", u"Gammakorrektion", u"Værdi",
    /* 104 */ u"Udskriftsopsætning", u"Venstre margen", u"Topmargen", u"Højre margen",
    /* 108 */ u"Bundmargen",
    /* 109 */ u"Placering/størrelse", u"Øverst til venstre", u"Øverst i midten",
    /* 112 */ u"Øverst til højre", u"Midt til venstre",
    /* 114 */ u"Midte", u"Midt til højre", u"Nederst til venstre", u"Nederst i midten",
    /* 118 */ u"Nederst til højre",
    /* 119 */ u"Luk", u"Anvend", u"Måleenheder", u"Enheder", u"Hastighed", u"Al grafik",
    /* 125 */ u"Video til Windows", u"Fil", u"Hukommelse",
    /* 128 */ u"Opdaterer automatisk eksemplet med de valgte ændringer",
    /* 129 */ u"Udskriv alle", u"Udskriv valgte", u"Almindelige grafikfiler", u"Alle filer", u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Gør skarpere", u"Kanaler", u"pixel", u"billeder", u"bit",
    /* 142 */ u"byte", u"dpi", u"KB", u"Tilpas",
};

}  // namespace calmora
