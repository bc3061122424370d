#!/usr/bin/env python3
"""Writes LOCALE/MIRTOSEK.LNG of the sample installation: for every text the
program passes to Translate, the Catalan key and its Galician, Aranese and
Spanish translations, quoted, comma separated, CR LF, code page 850."""
import os

L = " de la LAU de 24 de novembre del 1994"
E = [  # (Catalan key, Galician, Aranese, Spanish)
 (" EUR com a renda, li correspon un ", " EUR como renda, correspóndelle un ", " EUR coma renda, li correspon un ", " EUR como renta, le corresponde un "),
 (" EUR i una renda exigible a ", " EUR e unha renda esixible a ", " EUR e ua renda exigibla a ", " EUR y una renta exigible a "),
 (" EUR s'incrementa en un ", " EUR increméntase nun ", " EUR s'incremente en un ", " EUR se incrementa en un "),
 (" a ", " a ", " a ", " a "),
 (" acollit a la LAU d'11 de juny del 1964 i al Decret de 9 de maig del 1985.", " acollido á LAU do 11 de xuño de 1964 e ao Decreto do 9 de maio de 1985.", " acuelhut ara LAU d'11 de junh de 1964 e ath Decret de 9 de mai de 1985.", " acogido a la LAU de 11 de junio de 1964 y al Decreto de 9 de mayo de 1985."),
 (" acollit a la LAU d'11 de juny del 1964.", " acollido á LAU do 11 de xuño de 1964.", " acuelhut ara LAU d'11 de junh de 1964.", " acogido a la LAU de 11 de junio de 1964."),
 (" acollit a la LAU de 24 de novembre del 1994.", " acollido á LAU do 24 de novembro de 1994.", " acuelhut ara LAU de 24 de noveme de 1994.", " acogido a la LAU de 24 de noviembre de 1994."),
 (" acollit a la LAU de 31 de desembre del 1946.", " acollido á LAU do 31 de decembro de 1946.", " acuelhut ara LAU de 31 de deseme de 1946.", " acogido a la LAU de 31 de diciembre de 1946."),
 (" amb contracte", " con contrato", " damb contracte", " con contrato"),
 (" anterior a la LAU de 31 de desembre del 1946.", " anterior á LAU do 31 de decembro de 1946.", " anterior ara LAU de 31 de deseme de 1946.", " anterior a la LAU de 31 de diciembre de 1946."),
 (" anys (", " anos (", " ans (", " años ("),
 (" anys, de ", " anos, de ", " ans, de ", " años, de "),
 (" d'increment que aplicat a la renda inicial a ", " de incremento que aplicado á renda inicial a ", " d'increment que aplicat ara renda iniciau a ", " de incremento que aplicado a la renta inicial a "),
 (" de ", " de ", " de ", " de "),
 (" de la renda actualitzada que significa un increment de ", " da renda actualizada que significa un incremento de ", " dera renda actualizada que significa un increment de ", " de la renta actualizada que significa un incremento de "),
 (" i l'índex a ", " e o índice a ", " e er indèx a ", " y el índice a "),
 (" no sumptuari", " non suntuaria", " non sumptuari", " no suntuaria"),
 (" per haver-se acollit l'arrendatari a la transitòria tercera, apartat 7," + L, " por se acoller o arrendatario á transitoria terceira, apartado 7, da LAU do 24 de novembro de 1994", " per èster-se acuelhut er arrendatari ara transitòria tresau, apartat 7, dera LAU de 24 de noveme de 1994", " por haberse acogido el arrendatario a la transitoria tercera, apartado 7, de la LAU de 24 de noviembre de 1994"),
 (" per l'Institut Nacional d'Estadística (", " polo Instituto Nacional de Estatística (", " per er Institut Nacionau d'Estadistica (", " por el Instituto Nacional de Estadística ("),
 (" segona, apartat 11, regla 1a", " segunda, apartado 11, regra 1ª", " segona, apartat 11, règla 1a", " segunda, apartado 11, regla 1ª"),
 (" sumptuari", " suntuaria", " sumptuari", " suntuaria"),
 (" tercera, apartat 6, regla 1a", " terceira, apartado 6, regra 1ª", " tresau, apartat 6, règla 1a", " tercera, apartado 6, regla 1ª"),
 (", de la LAU de 24 de novembre del 1994, la renda contractual de ", ", da LAU do 24 de novembro de 1994, a renda contractual de ", ", dera LAU de 24 de noveme de 1994, era renda contractuau de ", ", de la LAU de 24 de noviembre de 1994, la renta contractual de "),
]
for ap, rule in (("primera, apartat 1", ("primeira, apartado 1", "prumèra, apartat 1", "primera, apartado 1")),
                 ("primera, apartat 2", ("primeira, apartado 2", "prumèra, apartat 2", "primera, apartado 2")),
                 ("segona, apartat 4", ("segunda, apartado 4", "segona, apartat 4", "segunda, apartado 4")),
                 ("segona, apartat 5", ("segunda, apartado 5", "segona, apartat 5", "segunda, apartado 5")),
                 ("segona, apartat 6", ("segunda, apartado 6", "segona, apartat 6", "segunda, apartado 6")),
                 ("tercera, apartat 3", ("terceira, apartado 3", "tresau, apartat 3", "tercera, apartado 3"))):
    E.append((", el qual s'extingirà segons regula la transitòria " + ap + "," + L + ".",
              ", o cal se extinguirá segundo regula a transitoria " + rule[0] + ", da LAU do 24 de novembro de 1994.",
              ", eth quau s'extinguirà segontes regula era transitòria " + rule[1] + ", dera LAU de 24 de noveme de 1994.",
              ", el cual se extinguirá según regula la transitoria " + rule[2] + ", de la LAU de 24 de noviembre de 1994."))
E += [
 (", li serà incrementada la renda, prèvia notificació de l'import de l'actualització.", ", seralle incrementada a renda, logo da notificación do importe da actualización.", ", li serà incrementada era renda, prèvia notificacion der impòrt dera actualizacion.", ", le será incrementada la renta, previa notificación del importe de la actualización."),
 (", que per ser superior a la renda màxima segons cadastre, es pren en el seu lloc la quantitat de ", ", que por ser superior á renda máxima segundo catastro, tómase no seu lugar a cantidade de ", ", que per èster superior ara renda maxima segontes cadastre, se pren en sòn lòc era quantitat de ", ", que por ser superior a la renta máxima según catastro, se toma en su lugar la cantidad de "),
 (", resulta un ", ", resulta un ", ", resulte un ", ", resulta un "),
 (", resultant una renda revaloritzada a ", ", resultando unha renda revalorizada a ", ", en resultar ua renda revalorizada a ", ", resultando una renta revalorizada a "),
 (", suposa una renda actualitzada a ", ", supón unha renda actualizada a ", ", supause ua renda actualizada a ", ", supone una renta actualizada a "),
 ("- Abonant l'arrendatari a data d'avui ", "- Aboando o arrendatario na data de hoxe ", "- En pagar er arrendatari a data de uei ", "- Abonando el arrendatario a fecha de hoy "),
 ("- Assimilat a habitatge", "- Asimilado a vivenda", "- Assimilat a larèr", "- Asimilado a vivienda"),
 ("- Assimilat local", "- Asimilado local", "- Assimilat locau", "- Asimilado local"),
 ("- El contracte s'extingirà en ", "- O contrato extinguirase en ", "- Eth contracte s'extinguirà en ", "- El contrato se extinguirá en "),
 ("- En aplicació de la transitòria ", "- En aplicación da transitoria ", "- En aplicacion dera transitòria ", "- En aplicación de la transitoria "),
 ("- En els successius ", "- Nos sucesivos ", "- Enes ans successius ", "- En los sucesivos "),
 ("- Es manté la indefinició del període pactat al contracte", "- Mantense a indefinición do período pactado no contrato", "- Se mantie era indefinicion deth periòde pactat en contracte", "- Se mantiene la indefinición del período pactado en el contrato"),
 ("- Es manté la pròrroga legal del contracte", "- Mantense a prórroga legal do contrato", "- Se mantie era prorròga legau deth contracte", "- Se mantiene la prórroga legal del contrato"),
 ("- Habitatge", "- Vivenda", "- Larèr", "- Vivienda"),
 ("- Local", "- Local", "- Locau", "- Local"),
 ("- No correspon increment per oposar-s'hi l'arrendatari a l'actualització, tot acollint-se a la transitòria segunda, apartat 11, regla 6a," + L + ".",
  "- Non corresponde incremento por se opor o arrendatario á actualización, acolléndose á transitoria segunda, apartado 11, regra 6ª, da LAU do 24 de novembro de 1994.",
  "- Non correspon increment per opausar-s'i er arrendatari ara actualizacion, en tot acuelher-se ara transitòria segona, apartat 11, règla 6a, dera LAU de 24 de noveme de 1994.",
  "- No corresponde incremento por oponerse el arrendatario a la actualización, acogiéndose a la transitoria segunda, apartado 11, regla 6ª, de la LAU de 24 de noviembre de 1994."),
 ("- No correspon increment per oposar-s'hi l'arrendatari a l'actualització, tot acollint-se a la transitòria tercera, apartat 8," + L + ".",
  "- Non corresponde incremento por se opor o arrendatario á actualización, acolléndose á transitoria terceira, apartado 8, da LAU do 24 de novembro de 1994.",
  "- Non correspon increment per opausar-s'i er arrendatari ara actualizacion, en tot acuelher-se ara transitòria tresau, apartat 8, dera LAU de 24 de noveme de 1994.",
  "- No corresponde incremento por oponerse el arrendatario a la actualización, acogiéndose a la transitoria tercera, apartado 8, de la LAU de 24 de noviembre de 1994."),
 ("- No correspon increment per ser els ingressos totals dels convivents inferiors al mínim establert a la transitòria segona, apartat 11, regla 7a," + L + ".",
  "- Non corresponde incremento por seren os ingresos totais dos conviventes inferiores ao mínimo establecido na transitoria segunda, apartado 11, regra 7ª, da LAU do 24 de novembro de 1994.",
  "- Non correspon increment per èster es ingrèssi totaus des convivents inferiors ath minim establit ena transitòria segona, apartat 11, règla 7a, dera LAU de 24 de noveme de 1994.",
  "- No corresponde incremento por ser los ingresos totales de los convivientes inferiores al mínimo establecido en la transitoria segunda, apartado 11, regla 7ª, de la LAU de 24 de noviembre de 1994."),
 ("- Prenent com a últim índex el publicat a ", "- Tomando como último índice o publicado en ", "- En préner coma darrèr indèx eth publicat en ", "- Tomando como último índice el publicado en "),
 ("- Si l'arrendatari s'acull a la transitòria tercera, apartat 5," + L + ", el contracte s'extingirà en ",
  "- Se o arrendatario se acolle á transitoria terceira, apartado 5, da LAU do 24 de novembro de 1994, o contrato extinguirase en ",
  "- Se er arrendatari s'acuelh ara transitòria tresau, apartat 5, dera LAU de 24 de noveme de 1994, eth contracte s'extinguirà en ",
  "- Si el arrendatario se acoge a la transitoria tercera, apartado 5, de la LAU de 24 de noviembre de 1994, el contrato se extinguirá en "),
 ("- Venciment ", "- Vencemento ", "- Vencement ", "- Vencimiento "),
 ("ADREÇA", "ENDEREZO", "ADREÇA", "DIRECCIÓN"),
 ("COM A", "COMO", "COMA", "COMO"),
 ("CONTRACTE", "CONTRATO", "CONTRACTE", "CONTRATO"),
 ("DEPARTAMENT", "DEPARTAMENTO", "DEPARTAMENT", "DEPARTAMENTO"),
 ("INFORME DE SITUACIÓ A ", "INFORME DE SITUACIÓN A ", "INFORME DE SITUACION A ", "INFORME DE SITUACIÓN A "),
 ("NOM", "NOME", "NOM", "NOMBRE"),
 ("PÀGINA ", "PÁXINA ", "PAGINA ", "PÁGINA "),
 ("REBUT", "RECIBO", "REBUT", "RECIBO"),
 ("TITULAR", "TITULAR", "TITULAR", "TITULAR"),
 ("1 SUBR.", "1 SUBR.", "1 SUBR.", "1 SUBR."),
 ("2 SUBR.", "2 SUBR.", "2 SUBR.", "2 SUBR."),
]
here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "LOCALE", "MIRTOSEK.LNG"), "wb") as f:
    for entry in E:
        assert all('"' not in t for t in entry)
        f.write((",".join('"%s"' % t for t in entry) + "\r\n").encode("cp850"))
print(len(E), "entries")
