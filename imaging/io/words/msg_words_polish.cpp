// The Polish row of the dialogs' word table, word for word by the English row's indexes.
#include "imaging/io/words/msg_word_rows.h"

namespace calmora {

const TMsgWordList kPolishWords = {
    /*   0 */ u"Podgląd", u"Oryginał", u"Wynik", u"OK", u"Anuluj", u"Zablokuj podgląd",
    /*   6 */ u"Kopiuj wynik do oryginału", u"Kontrast", u"Jasność", u"Odcień", u"Nasycenie",
    /*  11 */ u"Wartość", u"Kolor bazowy", u"Nowy kolor", u"Luminancja", u"Czerwony", u"Zielony",
    /*  17 */ u"Niebieski",
    /*  18 */ u"Wartości filtra", u"Ustawienia wstępne", u"Dzielnik", u"Wczytaj", u"Zapisz",
    /*  23 */ u"Wyrównanie",
    /*  24 */ u"Próg", u"Wyrównaj", u"Histogram", u"Szary", u"Światło", u"Lewo", u"Góra",
    /*  31 */ u"Szerokość", u"Wysokość", u"Kolor", u"Udział obrazu oryginalnego", u"Soczewka",
    /*  36 */ u"Załamanie",
    /*  37 */ u"Podgląd parametrów", u"Jakość", u"Metoda DCT", u"Współczynnik wygładzania",
    /*  41 */ u"Skala szarości", u"Optymalny Huffman", u"Rozmiar oryginalny",
    /*  44 */ u"Rozmiar po kompresji",
    /*  45 */ u"Zaawansowane", u"Progresywny", u"Kompresja", u"Indeks obrazu", u"Fotometria",
    /*  50 */ u"Informacje o zeskanowanym dokumencie", u"Nazwa", u"Opis", u"Nazwa strony",
    /*  54 */ u"Numer strony",
    /*  55 */ u"z", u"Poz. pozioma (cale)", u"Poz. pionowa (cale)", u"Kolory",
    /*  59 */ u"Przezroczysty", u"Kolor przezroczysty", u"Z przeplotem", u"Tło",
    /*  63 */ u"Poz. pozioma", u"Poz. pionowa", u"Czas opóźnienia", u"Filtr", u"Fala",
    /*  68 */ u"Amplituda", u"Długość fali", u"Faza", u"Odbijający", u"Filtr użytkownika",
    /*  73 */ u"Filtry morfologiczne", u"Rozmiar okna", u"Maksimum", u"Minimum", u"Otwarcie",
    /*  78 */ u"Zamknięcie", u"Obróć", u"Odbij", u"Poziomo", u"Pionowo",
    /*  83 */ u"Obraz w dziedzinie częstotliwości", u"Zaznacz obszar do oczyszczenia", u"Wyczyść",
    /*  86 */ u"Resetuj",
    /*  87 */ u"Animuj", u"Wczytaj filtr", u"Zapisz filtr", u"Mapa wypukłości", u"Drukuj",
    /*  92 */ u"Marginesy",
    /*  93 */ u"cale", u"Prawo", u"Dół", u"Położenie", u"Rozmiar", u"Normalny",
    /*  99 */ u"Dopasuj do strony",
    /* 100 */ u"Rozciągnij na stronę", u"Określony rozmiar", u"Korekcja gamma", u"Wartość",
    /* 104 */ u"Ustawienia wydruku", u"Lewy margines", u"Górny margines", u"Prawy margines",
    /* 108 */ u"Dolny margines",
    /* 109 */ u"Położenie/rozmiar", u"Lewy górny", u"Środek góra", u"Prawy górny", u"Środek lewo",
    /* 114 */ u"Środek", u"Środek prawo", u"Lewy dolny", u"Środek dół", u"Prawy dolny",
    /* 119 */ u"Zamknij", u"Zastosuj", u"Jednostki miary", u"Jednostki", u"", u"Wszystkie grafiki",
    /* 125 */ u"Video for Windows", u"Plik", u"Pam",
    /* 128 */ u"Automatycznie odświeża podgląd po wybranych zmianach",
    /* 129 */ u"Drukuj wszystko", u"Drukuj zaznaczone", u"Popularne pliki graficzne",
    /* 132 */ u"Wszystkie pliki", u"HSV",
    /* 134 */ u"HSL", u"RGB", u"FFT", u"Wyostrz", u"Kanały", u"piksel", u"klatki", u"bit",
    /* 142 */ u"bajt", u"dpi", u"KB", u"Dopasuj",
};

}  // namespace calmora
