// The Finnish row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kFinnishWords = {
    /*   0 */ u"Esikatselu", u"Alkuperäinen", u"Tulos", u"OK", u"Peruuta", u"Lukitse esikatselu",
    /*   6 */ u"Kopioi tulos alkuperäiseen", u"Kontrasti", u"Kirkkaus", u"Sävy", u"Kylläisyys",
    /*  11 */ u"Arvo", u"Perusväri", u"Uusi väri", u"Valovoima", u"Punainen", u"Vihreä", u"Sininen",
    /*  18 */ u"Suodattimen arvot", u"Esiasetukset", u"Jakaja", u"Lataa", u"Tallenna", u"Tasoitus",
    /*  24 */ u"Kynnys", u"Tasoita", u"Histogrammi", u"Harmaa", u"Valo", u"Vasen", u"Ylä",
    /*  31 */ u"Leveys", u"Korkeus", u"Väri", u"Alkuperäisen kuvan osuus", u"Linssi",
    /*  36 */ u"Taittuminen",
    /*  37 */ u"Parametrien esikatselu", u"Laatu", u"DCT-menetelmä", u"Pehmennyskerroin",
    /*  41 */ u"Harmaasävy", u"Optimaalinen Huffman", u"Alkuperäinen koko", u"Pakattu koko",
    /*  45 */ u"Lisäasetukset", u"Progressiivinen", u"Pakkaus", u"Kuvan indeksi", u"Fotometrinen",
    /*  50 */ u"Skannatun asiakirjan tiedot", u"Nimi", u"Kuvaus", u"Sivun nimi", u"Sivunumero",
    /*  55 */ u"/", u"Vaakasijainti (tuumaa)", u"Pystysijainti (tuumaa)", u"Värit",
    /*  59 */ u"Läpinäkyvä", u"Läpinäkyvä väri", u"Lomitettu", u"Tausta",
    /*  63 */ u"Vaakasijainti", u"Pystysijainti", u"Viive", u"Suodatin", u"Aalto",
    /*  68 */ u"Amplitudi", u"Aallonpituus", u"Vaihe", u"Heijastava", u"Käyttäjän suodatin",
    /*  73 */ u"Morfologiset suodattimet", u"Ikkunan koko", u"Suurin", u"Pienin", u"Avaus",
    /*  78 */ u"Sulkeminen", u"Kierrä", u"Käännä", u"Vaaka", u"Pysty",
    /*  83 */ u"Taajuustason kuva", u"Valitse puhdistettava alue", u"Tyhjennä", u"Palauta",
    /*  87 */ u"Animoi", u"Lataa suodatin", u"Tallenna suodatin", u"Kohokuvio", u"Tulosta",
    /*  92 */ u"Reunukset",
    /*  93 */ u"tuumaa", u"Oikea", u"Ala", u"Sijainti", u"Koko", u"Normaali", u"Sovita sivulle",
    /* 100 */ u"Venytä sivulle", u"Määritetty koko", u"Gammakorjaus", u"Arvo",
    /* 104 */ u"Tulostusasetukset", u"Vasen reunus", u"Yläreunus", u"Oikea reunus", u"Alareunus",
    /* 109 */ u"Sijainti/koko", u"Ylävasen", u"Yläkeski", u"Yläoikea", u"Keskivasen",
    /* 114 */ u"Keski", u"Keskioikea", u"Alavasen", u"Alakeski", u"Alaoikea",
    /* 119 */ u"Sulje", u"Käytä", u"Mittayksiköt", u"Yksiköt", u"Nopeus", u"Kaikki kuvat",
    /* 125 */ u"Video for Windows", u"Tiedosto", u"Muisti",
    /* 128 */ u"Päivittää esikatselun automaattisesti valitsemillasi muutoksilla",
    /* 129 */ u"Tulosta kaikki", u"Tulosta valitut", u"Yleiset kuvatiedostot", u"Kaikki tiedostot",
    /* 133 */ u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Terävöitä", u"Kanavat", u"pikseli", u"kehykset", u"bitti",
    /* 142 */ u"tavu", u"dpi", u"kt", u"Sovita",
};

}  // namespace calmora
