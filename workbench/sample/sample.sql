-- The Lumbra sample database: a small trading company with customers, products, orders
-- and order lines. Written in UTF-8; .ci/sample.sh recodes it to Windows-1250 (the code
-- page Lumbra's texts are in) and feeds it to the sqlite3 shell. The rows are made by
-- recursive queries, so every run gives the same data.
pragma foreign_keys = on;
begin;

create table countries (
  code char(2) primary key,
  name varchar(40) not null
);
insert into countries values
  ('CZ', 'Česká republika'), ('SK', 'Slovensko'), ('PL', 'Polska'), ('HU', 'Magyarország'),
  ('SI', 'Slovenija'), ('HR', 'Hrvatska'), ('AT', 'Österreich'), ('DE', 'Deutschland');

create table cities (
  id integer primary key,
  name varchar(40) not null,
  country char(2) not null references countries(code)
);
insert into cities (id, name, country) values
  (1, 'Praha', 'CZ'), (2, 'Brno', 'CZ'), (3, 'Plzeň', 'CZ'), (4, 'Ostrava', 'CZ'),
  (5, 'České Budějovice', 'CZ'), (6, 'Ústí nad Labem', 'CZ'), (7, 'Hradec Králové', 'CZ'),
  (8, 'Bratislava', 'SK'), (9, 'Košice', 'SK'), (10, 'Žilina', 'SK'),
  (11, 'Kraków', 'PL'), (12, 'Wrocław', 'PL'), (13, 'Łódź', 'PL'), (14, 'Gdańsk', 'PL'),
  (15, 'Poznań', 'PL'), (16, 'Győr', 'HU'), (17, 'Pécs', 'HU'), (18, 'Szeged', 'HU'),
  (19, 'Ljubljana', 'SI'), (20, 'Zagreb', 'HR'), (21, 'Wien', 'AT'), (22, 'Dresden', 'DE');

create table first_names (id integer primary key, name varchar(20) not null);
insert into first_names (id, name) values
  (1, 'Jiří'), (2, 'Petr'), (3, 'Tomáš'), (4, 'Ondřej'), (5, 'Lukáš'), (6, 'Zdeněk'),
  (7, 'Marek'), (8, 'Štěpán'), (9, 'Łukasz'), (10, 'Paweł'), (11, 'Gábor'), (12, 'Miloš'),
  (13, 'Jana'), (14, 'Eva'), (15, 'Kateřina'), (16, 'Lucie'), (17, 'Věra'), (18, 'Zuzana'),
  (19, 'Alžběta'), (20, 'Małgorzata'), (21, 'Ágnes'), (22, 'Žofie'), (23, 'Božena'),
  (24, 'Dagmar');

create table last_names (id integer primary key, name varchar(30) not null);
insert into last_names (id, name) values
  (1, 'Novák'), (2, 'Dvořák'), (3, 'Černý'), (4, 'Procházka'), (5, 'Kučera'), (6, 'Veselý'),
  (7, 'Horák'), (8, 'Němec'), (9, 'Pokorný'), (10, 'Marek'), (11, 'Růžička'), (12, 'Šťastný'),
  (13, 'Kowalski'), (14, 'Wiśniewski'), (15, 'Wójcik'), (16, 'Nagy'), (17, 'Kovács'),
  (18, 'Horváth'), (19, 'Kráľ'), (20, 'Krejčí'), (21, 'Doležal'), (22, 'Čapek');

create table customers (
  id integer primary key,
  name varchar(60) not null,
  city_id integer not null references cities(id),
  email varchar(80),
  phone varchar(20),
  since date not null,
  credit_limit numeric(10,2),
  vip integer not null default 0,
  note text
);
with recursive n(i) as (select 1 union all select i + 1 from n where i < 400)
insert into customers (id, name, city_id, email, phone, since, credit_limit, vip, note)
select i,
       (select name from first_names where id = 1 + (i * 7) % 24) || ' ' ||
       (select name from last_names where id = 1 + (i * 13) % 22),
       1 + (i * 11) % 22,
       case when i % 9 = 0 then null else 'customer' || i || '@example.com' end,
       case when i % 4 = 0 then null
            else '+420 ' || (600 + i % 300) || ' ' || substr('000' || ((i * 37) % 1000), -3) end,
       date('2012-01-01', '+' || ((i * 97) % 4000) || ' days'),
       case when i % 7 = 0 then null else ((i * 53) % 200) * 250.0 end,
       case when i % 17 = 0 then 1 else 0 end,
       case when i % 5 = 0 then 'Platí vždy včas, preferuje dodání v pátek; kontakt přes e-mail.'
            when i % 11 = 0 then 'Nový zákazník, první objednávka přes veletrh.'
            else null end
  from n;

create table categories (id integer primary key, name varchar(30) not null);
insert into categories (id, name) values
  (1, 'Kancelářské potřeby'), (2, 'Elektronika'), (3, 'Nábytek'), (4, 'Úklid'),
  (5, 'Občerstvení'), (6, 'Papír a tisk');

create table products (
  id integer primary key,
  code varchar(12) not null unique,
  name varchar(60) not null,
  category_id integer not null references categories(id),
  unit_price numeric(10,2) not null,
  in_stock integer not null,
  discontinued date
);
insert into products (id, code, name, category_id, unit_price, in_stock, discontinued) values
  (1, 'KP-001', 'Kuličkové pero modré', 1, 12.90, 1200, null),
  (2, 'KP-002', 'Kuličkové pero černé', 1, 12.90, 950, null),
  (3, 'KP-010', 'Sešívačka kovová', 1, 189.00, 140, null),
  (4, 'KP-011', 'Drátky do sešívačky 24/6', 1, 24.50, 800, null),
  (5, 'KP-020', 'Pořadač A4 šíře 75 mm', 1, 54.00, 600, null),
  (6, 'KP-021', 'Záložky samolepicí', 1, 31.00, 420, null),
  (7, 'KP-030', 'Děrovačka dvouotvorová', 1, 149.00, 95, null),
  (8, 'KP-031', 'Lepicí páska 19 mm', 1, 18.90, 1500, null),
  (9, 'EL-100', 'Myš bezdrátová', 2, 349.00, 210, null),
  (10, 'EL-101', 'Klávesnice s českým rozložením', 2, 599.00, 130, null),
  (11, 'EL-110', 'Monitor 24" IPS', 2, 3890.00, 35, null),
  (12, 'EL-111', 'Monitor 27" IPS', 2, 5490.00, 18, null),
  (13, 'EL-120', 'Sluchátka s mikrofonem', 2, 899.00, 60, null),
  (14, 'EL-130', 'USB rozbočovač 4×', 2, 279.00, 150, null),
  (15, 'EL-131', 'Kabel HDMI 2 m', 2, 149.00, 300, null),
  (16, 'EL-140', 'Webová kamera', 2, 1290.00, 0, '2023-06-30'),
  (17, 'NB-200', 'Kancelářská židle Ergo', 3, 4590.00, 22, null),
  (18, 'NB-201', 'Psací stůl 160×80', 3, 6290.00, 9, null),
  (19, 'NB-210', 'Kontejner zásuvkový', 3, 3150.00, 14, null),
  (20, 'NB-220', 'Regál dřevěný', 3, 2190.00, 0, '2022-12-31'),
  (21, 'UK-300', 'Utěrky z mikrovlákna', 4, 89.00, 500, null),
  (22, 'UK-301', 'Čistič na sklo', 4, 64.00, 260, null),
  (23, 'UK-310', 'Pytle na odpad 60 l', 4, 49.00, 700, null),
  (24, 'OB-400', 'Káva zrnková 1 kg', 5, 429.00, 80, null),
  (25, 'OB-401', 'Čaj zelený 100 g', 5, 89.00, 120, null),
  (26, 'OB-410', 'Minerální voda 1,5 l', 5, 14.90, 2000, null),
  (27, 'PT-500', 'Papír A4 80 g, 500 listů', 6, 119.00, 3000, null),
  (28, 'PT-501', 'Papír A3 80 g, 500 listů', 6, 249.00, 400, null),
  (29, 'PT-510', 'Toner černý', 6, 1890.00, 45, null),
  (30, 'PT-511', 'Obálky C5, 50 ks', 6, 59.00, 650, null);

create table employees (
  id integer primary key,
  name varchar(60) not null,
  role varchar(30) not null,
  manager_id integer references employees(id),
  hired date not null,
  salary numeric(10,2) not null
);
insert into employees (id, name, role, manager_id, hired, salary) values
  (1, 'Hana Vlčková', 'ředitelka', null, '2010-03-01', 98000),
  (2, 'Radek Šimánek', 'vedoucí prodeje', 1, '2012-09-15', 72000),
  (3, 'Ivana Říhová', 'obchodnice', 2, '2016-01-04', 48500),
  (4, 'Martin Žák', 'obchodník', 2, '2018-05-21', 46000),
  (5, 'Lenka Bártová', 'obchodnice', 2, '2021-11-01', 43000),
  (6, 'Pavel Ďuriš', 'skladník', 1, '2015-07-13', 36500.50),
  (7, 'Karolína Mlynářová', 'účetní', 1, '2019-02-18', 51000);

create table orders (
  id integer primary key,
  customer_id integer not null references customers(id),
  employee_id integer references employees(id),
  ordered timestamp not null,
  shipped date,
  status varchar(12) not null,
  note varchar(200)
);
with recursive n(i) as (select 1 union all select i + 1 from n where i < 2500)
insert into orders (id, customer_id, employee_id, ordered, shipped, status, note)
select i,
       1 + (i * 31 + i / 7) % 400,
       case when i % 13 = 0 then null else 3 + i % 3 end,
       datetime('2022-01-01 08:00:00', '+' || ((i * 1637) % 1060) || ' days',
                '+' || ((i * 211) % 600) || ' minutes'),
       case when i % 10 < 8 then date('2022-01-01', '+' || ((i * 1637) % 1060 + 1 + i % 5) || ' days')
            else null end,
       case when i % 10 < 8 then 'odesláno' when i % 10 = 8 then 'přijato' else 'storno' end,
       case when i % 23 = 0 then 'Doručit na recepci, 2. patro.'
            when i % 29 = 0 then 'Zákazník žádá fakturu e-mailem.' else null end
  from n;

create table order_lines (
  order_id integer not null references orders(id),
  line integer not null,
  product_id integer not null references products(id),
  quantity integer not null,
  unit_price numeric(10,2) not null,
  discount numeric(4,2),
  primary key (order_id, line)
);
with recursive n(i) as (select 1 union all select i + 1 from n where i < 2500),
     l(k) as (select 1 union all select k + 1 from l where k < 4)
insert into order_lines (order_id, line, product_id, quantity, unit_price, discount)
select n.i, l.k, p.id, 1 + (n.i * l.k * 7) % 24, p.unit_price,
       case when (n.i + l.k) % 6 = 0 then 0.05 when (n.i + l.k) % 15 = 0 then 0.15 else null end
  from n join l on l.k <= 1 + (n.i * 3) % 4
  join products p on p.id = 1 + (n.i * 17 + l.k * 5) % 30;

create view order_totals as
select o.id as order_id, o.ordered, c.name as customer, ci.name as city,
       round(sum(ol.quantity * ol.unit_price * (1 - coalesce(ol.discount, 0))), 2) as total
  from orders o
  join customers c on c.id = o.customer_id
  join cities ci on ci.id = c.city_id
  join order_lines ol on ol.order_id = o.id
 group by o.id, o.ordered, c.name, ci.name;

commit;
