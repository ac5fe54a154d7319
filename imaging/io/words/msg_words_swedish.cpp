// The Swedish row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kSwedishWords = {
    /*   0 */ u"Förhandsgranskning", u"Original", u"Resultat", u"OK", u"Avbryt",
    /*   5 */ u"Lås förhandsgranskning",
    /*   6 */ u"Kopiera resultatet till originalet", u"Kontrast", u"Ljusstyrka", u"Nyans",
    /*  10 */ u"Mättnad",
    /*  11 */ u"Värde", u"Grundfärg", u"Ny färg", u"Luminans", u"Röd", u"Grön", u"Blå",
    /*  18 */ u"Filtervärden", u"Förinställningar", u"Divisor", u"Läs in", u"Spara", u"Utjämning",
    /*  24 */ u"Tröskelvärde", u"Utjämna", u"Histogram", u"Grå", u"Ljus", u"Vänster", u"Överkant",
    /*  31 */ u"Bredd", u"Höjd", u"Färg", u"Andel originalbild", u"Lins", u"Brytning",
    /*  37 */ u"Förhandsgranskning av parametrar", u"Kvalitet", u"DCT-metod", u"Utjämningsfaktor",
    /*  41 */ u"Gråskala", u"Optimal Huffman", u"Ursprunglig storlek", u"Komprimerad storlek",
    /*  45 */ u"Avancerat", u"Progressiv", u"Komprimering", u"Bildindex", u"Fotometrisk",
    /*  50 */ u"Information om skannat dokument", u"Namn", u"Beskrivning", u"Sidnamn", u"Sidnummer",
    /*  55 */ u"av", u"Vågr. position (tum)", u"Lodr. position (tum)", u"Färger",
    /*  59 */ u"Transparent", u"Transparent färg", u"Sammanflätad", u"Bakgrund",
    /*  63 */ u"Vågr. position", u"Lodr. position", u"Fördröjning", u"Filter", u"Våg",
    /*  68 */ u"Amplitud", u"Våglängd", u"Fas", u"Reflekterande", u"Användarfilter",
    /*  73 */ u"Morfologiska filter", u"Fönsterstorlek", u"Maximum", u"Minimum", u"Öppning",
    /*  78 */ u"Slutning", u"Rotera", u"Vänd", u"Vågrätt", u"Lodrätt",
    /*  83 */ u"Bild i frekvensdomänen", u"Markera området som ska rensas", u"Rensa", u"Återställ",
    /*  87 */ u"Animera", u"Läs in filter", u"Spara filter", u"Reliefkarta", u"Skriv ut",
    /*  92 */ u"Marginaler",
    /*  93 */ u"tum", u"Höger", u"Nederkant", u"Position", u"Storlek", u"Normal",
    /*  99 */ u"Anpassa till sidan",
    /* 100 */ u"Sträck ut till sidan", u"Angiven storlek", u"Gammakorrigering", u"Värde",
    /* 104 */ u"Utskriftsformat", u"Vänstermarginal", u"Övre marginal", u"Högermarginal",
    /* 108 */ u"Nedre marginal",
    /* 109 */ u"Placering/storlek", u"Överst till vänster", u"Överst i mitten",
    /* 112 */ u"Överst till höger", u"Mitten till vänster",
    /* 114 */ u"Mitten", u"Mitten till höger", u"Nederst till vänster", u"Nederst i mitten",
    /* 118 */ u"Nederst till höger",
    /* 119 */ u"Stäng", u"Verkställ", u"Måttenheter", u"Enheter", u"Frekvens", u"All grafik",
    /* 125 */ u"Video för Windows", u"Fil", u"Minne",
    /* 128 */ u"Uppdaterar förhandsgranskningen automatiskt med de ändringar du valt",
    /* 129 */ u"Skriv ut alla", u"Skriv ut markerade", u"Vanliga grafikfiler", u"Alla filer",
    /* 133 */ u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Skärpa", u"Kanaler", u"bildpunkt", u"bildrutor", u"bit",
    /* 142 */ u"byte", u"dpi", u"kB", u"Anpassa",
};

}  // namespace calmora
