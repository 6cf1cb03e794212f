! objects.h: a library-style header written as a sample for Glossel.
! It shows classes, multiple inheritance and routines stored in properties.

System_file;

#Ifndef OBJECTS_H;
Constant OBJECTS_H;

Class Furniture
  with before [;
         Take, Pull, Push: "It is far too heavy to move.";
       ],
  has  static supporter;

Class Book
  with name 'book' 'volume',
       read_text "The pages are blank.",
       before [;
         Read: print_ret (string) self.read_text;
       ],
       number 0;

Class LogBook
  class Book
  with read_text "Storm at 0300. All lamps lit. -- J.",
       after [;
         Take: self.number = self.number + 1;
       ];

[ CountBooks o n;
  objectloop (o ofclass Book) n++;
  return n;
];

! Numbers in three bases: decimal, hexadecimal and binary.
Array thresholds --> 10 $0A $$1010 'z' "ten";

#Endif;
